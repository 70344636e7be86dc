#include "setup/property_string.h"

std::u16string administrativePart(const std::u16string& setupDir, const std::u16string& exeName) {
    const std::u16string folder =
        setupDir.empty() ? setupDir : setupDir.substr(0, setupDir.size() - 1);
    return std::u16string(installerProperty::setupExeDir) + u"=\"" + folder + u"\" " +
           installerProperty::setupExeName + u"=\"" + exeName + u"\"";
}

std::u16string instanceTransformStorage(const std::u16string& instanceName) {
    return instanceName + u".mst";
}

std::u16string transformSetting(const std::optional<std::u16string>& instanceName,
                                const std::u16string& languageTransform) {
    if (!instanceName && languageTransform.empty())
        return {};
    std::u16string setting = std::u16string(installerProperty::transforms) + u"=";
    if (instanceName) {
        setting += u':';
        setting += instanceTransformStorage(*instanceName);
        setting += u';';
    }
    return setting + languageTransform;
}

std::u16string withPositionalArguments(std::u16string tail,
                                       const std::vector<std::u16string>& arguments) {
    if (arguments.empty())
        return tail;
    if (!tail.empty())
        tail += u' ';
    for (const std::u16string& argument : arguments)
        tail += argument + u' ';
    return tail;
}

std::u16string withCountry(std::u16string tail) {
    if (!tail.empty())
        tail += u' ';
    return tail + installerProperty::country + u"=UA";
}

std::u16string composePropertyString(const std::u16string& administrative,
                                     const std::u16string& transforms, const std::u16string& tail) {
    std::u16string properties = administrative;
    if (!administrative.empty() && !transforms.empty())
        properties += u' ';
    return properties + transforms + u' ' + tail;
}
