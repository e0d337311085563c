#include "property_table.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "camera_property_request.h"

namespace {

const char* accessOf(const CameraPropertyInfo& property) {
    if (property.gettable && property.settable) {
        return "rw";
    }
    return property.gettable ? "r" : "w";
}

bool readable(const CameraPropertyInfo& property) {
    return property.gettable && property.payload == PropertyPayload::kValue &&
           property.id != CAMPROP_REGISTER_WRITE;
}

std::string valueOf(const host::streaming::FilterHandle& filter,
                    const CameraPropertyInfo* property) {
    if (property == nullptr || !readable(*property)) {
        return "-";
    }
    const PropertyAnswer answer = exchangePropertyRequest(filter, getRequest(*property));
    return NT_SUCCESS(answer.status) ? std::to_string(answer.value) : "refused";
}

// The limit item `suffix` ("_MIN", ...) of a setting: its own, or for a
// colour gain (REDGAIN, ...) the shared GAIN one.
const CameraPropertyInfo* limitOf(const CameraPropertyInfo& property, const char* suffix) {
    if (!property.settable || property.payload != PropertyPayload::kValue) {
        return nullptr;
    }
    const std::string name = property.name;
    if (const CameraPropertyInfo* own = findCameraProperty(name + suffix)) {
        return own;
    }
    return name.ends_with("GAIN") ? findCameraProperty(std::string("GAIN") + suffix) : nullptr;
}

void printRow(std::ostream& out, const char* name, const char* access, const std::string& value,
              const std::string& minimum, const std::string& maximum, const std::string& fallback) {
    char row[128];
    std::snprintf(row, sizeof(row), "%-20s %-6s %11s %11s %11s %11s\n", name, access, value.c_str(),
                  minimum.c_str(), maximum.c_str(), fallback.c_str());
    out << row;
}

}  // namespace

void printPropertyTable(const host::streaming::FilterHandle& filter, std::ostream& out) {
    printRow(out, "NAME", "ACCESS", "VALUE", "MIN", "MAX", "DEFAULT");
    for (const CameraPropertyInfo& property : cameraProperties()) {
        printRow(out, property.name, accessOf(property), valueOf(filter, &property),
                 valueOf(filter, limitOf(property, "_MIN")),
                 valueOf(filter, limitOf(property, "_MAX")),
                 valueOf(filter, limitOf(property, "_DEFAULT")));
    }
}
