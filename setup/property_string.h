// The property string the launcher hands to the Windows Installer after the mode's prefix, and
// its pieces, each a pure function of what the run decided:
//
//   [administrative part] [" " when both it and the transforms stand] [transform setting] " " tail
//
// The one blank before the tail always stands, even when nothing else does: a run without
// transforms or CmdLine hands the installer a single blank.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The installer properties the launcher sets in the property string itself, named once here for
// the code that writes them and for tools that check a medium's own properties against them.
// ACTION and REMOVE, which the mode's prefix sets, are named beside installerCommandLine.
namespace installerProperty {
inline constexpr char16_t transforms[] = u"TRANSFORMS";     // the transforms to apply
inline constexpr char16_t country[] = u"COUNTRY";           // UA where the Ukraine rule applies
inline constexpr char16_t setupExeDir[] = u"SETUPEXEDIR";   // administrative installation
inline constexpr char16_t setupExeName[] = u"SETUPEXENAME"; // administrative installation
} // namespace installerProperty

// SETUPEXEDIR="<folder>" SETUPEXENAME="<program>" for an administrative installation: the
// program's folder without its closing backslash (C:\ gives C:), and its file name.
std::u16string administrativePart(const std::u16string& setupDir, const std::u16string& exeName);

// The name of the storage inside the package that holds an instance's transform: Inst2.mst.
std::u16string instanceTransformStorage(const std::u16string& instanceName);

// "TRANSFORMS=" with the instance's transform stored in the package (":Inst2.mst;", the
// colon naming a storage of the package, the semicolon separating it from what follows) when
// an instance is given, and the language transform's bare name unless it is empty; empty when
// neither stands. An instance given with an empty name stands too, as ":.mst;": the package
// holds no such storage and the installer refuses it (1624), where leaving it out would
// install the product a second time beside the instance the user has.
std::u16string transformSetting(const std::optional<std::u16string>& instanceName,
                                const std::u16string& languageTransform);

// The tail with the positional arguments of the command line: one blank before them when the
// tail is not empty, and one blank after each, exactly as tokenized (quotes kept).
std::u16string withPositionalArguments(std::u16string tail,
                                       const std::vector<std::u16string>& arguments);

// The tail with the country setting COUNTRY=UA, after a blank when the tail is not empty.
std::u16string withCountry(std::u16string tail);

std::u16string composePropertyString(const std::u16string& administrative,
                                     const std::u16string& transforms, const std::u16string& tail);
