#include "tools/setup_check/result/warning.h"

namespace setupcheck {

const std::vector<WarningKind>& warningKinds() {
    static const std::vector<WarningKind> kinds{
#define SETUP_CHECK_WARNING_KIND(name, id, severity, scope, meaning)                               \
    {WarningId::name, id, Severity::severity, Scope::scope, meaning},
        SETUP_CHECK_WARNINGS(SETUP_CHECK_WARNING_KIND)
#undef SETUP_CHECK_WARNING_KIND
    };
    return kinds;
}

const WarningKind& kindOf(WarningId id) {
    return warningKinds()[static_cast<std::size_t>(id)];
}

std::optional<WarningId> warningNamed(const std::string& id) {
    for (const WarningKind& kind : warningKinds())
        if (id == kind.id)
            return kind.kind;
    return std::nullopt;
}

const char* severityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

const char* scopeName(Scope scope) {
    return scope == Scope::Medium ? "medium" : "machine";
}

} // namespace setupcheck
