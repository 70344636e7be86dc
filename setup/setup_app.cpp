#include "setup/setup_app.h"

#include "locale/language.h"
#include "platform/platform.h"

SetupApp::SetupApp() : languageId(defaultLanguageId()) {
    std::u16string path;
    if (!platform::moduleFileName(path))
        return;
    setupDir = path;
    std::size_t slash = setupDir.rfind(u'\\');
    if (slash == std::u16string::npos)
        return;
    exeName = setupDir.substr(slash + 1);
    setupDir.resize(slash);
    if (setupDir.empty() || setupDir.back() != u'\\')
        setupDir.push_back(u'\\');
}

std::u16string SetupApp::setupFilePath(const std::u16string& name) const {
    return setupDir + name;
}
