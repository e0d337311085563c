#include "camera_property_request.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "frame/stream_guids.h"
#include "integer_args.h"

namespace {

constexpr std::int64_t kSmallest = INT32_MIN;
constexpr std::int64_t kLargest = UINT32_MAX;  // unsigned settings take all 32 bits

std::vector<std::int64_t> parseValues(const CameraPropertyInfo& property, std::string_view text) {
    const std::string option = property.name;
    switch (property.payload) {
        case PropertyPayload::kRegion: {
            auto values = parseIntegerList(option, text, 4, INT32_MIN, INT32_MAX);
            return {values.begin(), values.end()};
        }
        case PropertyPayload::kBlock:
            if (property.id == CAMPROP_RAW_COMMAND) {
                const auto commas =
                    static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
                auto bytes = parseIntegerList(option, text, commas + 1, 0, 255);
                if (bytes.size() > kBlockPayloadBytes) {
                    throw std::runtime_error(option + ": at most 64 bytes");
                }
                return {bytes.begin(), bytes.end()};
            }
            return {parseInteger(option, text, 0, UINT32_MAX)};
        case PropertyPayload::kValue:
            if (property.id == CAMPROP_REGISTER_WRITE) {
                auto pair = parseIntegerList(option, text, 2, 0, UINT32_MAX);
                return {pair.begin(), pair.end()};
            }
            return {parseInteger(option, text, kSmallest, kLargest)};
    }
    return {};
}

KSPROPERTY header(const PropertyRequest& request) {
    KSPROPERTY property{};
    property.Set = kCameraSettingsPropertySet;
    property.Id = request.property->id;
    property.Flags = request.set ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET;
    return property;
}

// The request and the data are one structure, as the property set wants.
template <typename Payload>
NTSTATUS exchange(const host::streaming::FilterHandle& filter, Payload* payload) {
    return filter.property(payload, sizeof(Payload), payload, sizeof(Payload)).status;
}

NTSTATUS sendValue(const host::streaming::FilterHandle& filter, const PropertyRequest& request,
                   LONG* value) {
    CameraPropertyValue payload{};
    payload.property = header(request);
    if (request.set) {
        payload.value = static_cast<LONG>(static_cast<std::uint32_t>(request.numbers[0]));
        if (request.numbers.size() > 1) {
            payload.second = static_cast<LONG>(static_cast<std::uint32_t>(request.numbers[1]));
        }
    }
    const NTSTATUS status = exchange(filter, &payload);
    *value = payload.value;
    return status;
}

NTSTATUS sendRegion(const host::streaming::FilterHandle& filter, const PropertyRequest& request) {
    CameraRoiPayload payload{};
    payload.property = header(request);
    payload.x = static_cast<LONG>(request.numbers[0]);
    payload.y = static_cast<LONG>(request.numbers[1]);
    payload.width = static_cast<LONG>(request.numbers[2]);
    payload.height = static_cast<LONG>(request.numbers[3]);
    return exchange(filter, &payload);
}

NTSTATUS sendBlock(const host::streaming::FilterHandle& filter, const PropertyRequest& request,
                   LONG* value) {
    CameraBlockPayload payload{};
    payload.property = header(request);
    if (request.set && request.property->id == CAMPROP_RAW_COMMAND) {
        payload.length = static_cast<LONG>(request.numbers.size());
        for (std::size_t i = 0; i < request.numbers.size(); ++i) {
            payload.data[i] = static_cast<UCHAR>(request.numbers[i]);
        }
    } else if (request.set) {
        payload.address = static_cast<ULONG>(request.numbers[0]);
    }
    const NTSTATUS status = exchange(filter, &payload);
    *value = payload.data[0];
    return status;
}

}  // namespace

PropertyRequest parsePropertyRequest(std::string_view argument) {
    const auto equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    PropertyRequest request;
    request.property = findCameraProperty(name);
    if (request.property == nullptr) {
        throw std::runtime_error("'" + std::string(name) +
                                 "' is not a camera property (--list names them)");
    }
    request.set = equals != std::string_view::npos;
    if (request.set && !request.property->settable) {
        throw std::runtime_error(std::string(request.property->name) + " cannot be set");
    }
    if (!request.set && !request.property->gettable) {
        throw std::runtime_error(std::string(request.property->name) + " cannot be read");
    }
    if (request.set) {
        request.numbers = parseValues(*request.property, argument.substr(equals + 1));
    }
    return request;
}

PropertyRequest getRequest(const CameraPropertyInfo& property) {
    return {&property, false, {}};
}

PropertyAnswer exchangePropertyRequest(const host::streaming::FilterHandle& filter,
                                       const PropertyRequest& request) {
    PropertyAnswer answer{STATUS_SUCCESS, 0};
    switch (request.property->payload) {
        case PropertyPayload::kValue:
            answer.status = sendValue(filter, request, &answer.value);
            break;
        case PropertyPayload::kRegion:
            answer.status = sendRegion(filter, request);
            break;
        case PropertyPayload::kBlock:
            answer.status = sendBlock(filter, request, &answer.value);
            break;
    }
    return answer;
}
