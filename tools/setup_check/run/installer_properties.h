// The properties a command line for the Windows Installer sets, as the installer reads them:
// PROPERTY=value, separated by blanks, a value with blanks in double quotes ("" stands for one
// quote inside). setup-check reads CmdLine and the command line handed to the installer with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setupcheck {

struct PropertySetting {
    std::u16string name;
    std::u16string value; // without its quotes
};

// Every property setting of `commandLine`, in order; text that sets no property is passed over.
[[nodiscard]] std::vector<PropertySetting> propertySettings(std::u16string_view commandLine);

// Whether `commandLine` sets the property `name`. Names are compared without regard to ASCII
// case, so that a name written in lower case is caught too.
[[nodiscard]] bool setsProperty(std::u16string_view commandLine, std::u16string_view name);

} // namespace setupcheck
