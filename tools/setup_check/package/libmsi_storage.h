// A transform stored in a package (a storage of its compound file, as INSERT INTO _Storages
// leaves it), copied out with libgsf into a scratch file that an engine can open like any
// transform file. The scratch file goes with its owner.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace setupcheck::libmsi {

class ScratchFile {
public:
    ScratchFile() = default;
    explicit ScratchFile(std::string path) : path_(std::move(path)) {}
    ScratchFile(ScratchFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    ScratchFile& operator=(ScratchFile&& other) noexcept;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The storage `storage` of the package at `packagePath` as a transform file of its own;
// nothing, with `problem` saying why, when the package stores no such storage.
std::optional<ScratchFile> copyStorage(const std::string& packagePath, const std::string& storage,
                                       std::string& problem);

} // namespace setupcheck::libmsi
