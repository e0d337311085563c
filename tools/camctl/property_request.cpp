#include "property_request.h"

#include <ostream>

#include "status_text.h"

bool sendPropertyRequest(const host::streaming::FilterHandle& filter,
                         const PropertyRequest& request, std::ostream& out, std::ostream& err) {
    const PropertyAnswer answer = exchangePropertyRequest(filter, request);
    if (!NT_SUCCESS(answer.status)) {
        err << "camctl: " << request.property->name << ": the driver refused the "
            << (request.set ? "set" : "get") << " (status " << statusText(answer.status) << ")\n";
        return false;
    }
    if (!request.set) {
        out << request.property->name << '=' << answer.value << '\n';
    }
    return true;
}
