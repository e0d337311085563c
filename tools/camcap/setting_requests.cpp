#include "setting_requests.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include "status_text.h"

namespace {

LONG send(const host::streaming::FilterHandle& filter, const PropertyRequest& request) {
    const PropertyAnswer answer = exchangePropertyRequest(filter, request);
    if (!NT_SUCCESS(answer.status)) {
        throw std::runtime_error(std::string(request.property->name) + ": the driver refused the " +
                                 (request.set ? "set" : "get") + " (status " +
                                 statusText(answer.status) + ")");
    }
    return answer.value;
}

}  // namespace

void applySettings(const host::streaming::FilterHandle& filter,
                   const std::vector<PropertyRequest>& sets) {
    for (const PropertyRequest& request : sets) {
        send(filter, request);
    }
}

void printSettings(const host::streaming::FilterHandle& filter,
                   const std::vector<PropertyRequest>& gets, std::ostream& out) {
    for (const PropertyRequest& request : gets) {
        out << request.property->name << '=' << send(filter, request) << '\n';
    }
}

LONG readSetting(const host::streaming::FilterHandle& filter, std::string_view name) {
    return send(filter, getRequest(*findCameraProperty(name)));
}
