#include "tools/setup_check/package/libmsi_storage.h"

#include "tools/setup_check/package/libmsi_database.h"

#include <gsf/gsf.h>

#include <cstdio>
#include <unistd.h>

namespace setupcheck::libmsi {

namespace {

// Copies every stream and storage below `from` into `to`, the class ids of storages included
// (a transform's says it is one).
bool copyChildren(GsfInfile* from, GsfOutfile* to) {
    const int count = gsf_infile_num_children(from);
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(from, i);
        GPtr<GsfInput> child(gsf_infile_child_by_index(from, i));
        if (!child || !name)
            return false;
        const bool folder =
            GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
        GPtr<GsfOutput> out(gsf_outfile_new_child(to, name, folder));
        if (!out)
            return false;
        bool copied = false;
        if (folder) {
            guint8 clsid[16];
            if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), clsid))
                gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out.get()), clsid);
            copied = copyChildren(GSF_INFILE(child.get()), GSF_OUTFILE(out.get()));
        } else {
            copied = gsf_input_copy(child.get(), out.get());
        }
        if (!gsf_output_close(out.get()) || !copied)
            return false;
    }
    return true;
}

std::optional<ScratchFile> scratchFile(std::string& problem) {
    ErrorOwner error;
    gchar* name = nullptr;
    const int fd = g_file_open_tmp("setup-check-XXXXXX.mst", &name, error.put());
    if (fd < 0) {
        problem = "no scratch file: " + error.text("g_file_open_tmp failed");
        return std::nullopt;
    }
    close(fd);
    ScratchFile file(name);
    g_free(name);
    return file;
}

} // namespace

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
    if (this != &other) {
        if (!path_.empty())
            std::remove(path_.c_str());
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

ScratchFile::~ScratchFile() {
    if (!path_.empty())
        std::remove(path_.c_str());
}

std::optional<ScratchFile> copyStorage(const std::string& packagePath, const std::string& storage,
                                       std::string& problem) {
    ErrorOwner error;
    GPtr<GsfInput> input(gsf_input_stdio_new(packagePath.c_str(), error.put()));
    GPtr<GsfInfile> package(input ? gsf_infile_msole_new(input.get(), error.put()) : nullptr);
    if (!package) {
        problem = "the package cannot be read as a compound file: " + error.text("libgsf");
        return std::nullopt;
    }
    GPtr<GsfInput> child(gsf_infile_child_by_name(package.get(), storage.c_str()));
    if (!child || !GSF_IS_INFILE(child.get()) ||
        gsf_infile_num_children(GSF_INFILE(child.get())) < 0) {
        problem = "the package stores no " + storage;
        return std::nullopt;
    }
    std::optional<ScratchFile> file = scratchFile(problem);
    if (!file)
        return std::nullopt;
    GPtr<GsfOutput> output(gsf_output_stdio_new(file->path().c_str(), error.put()));
    GPtr<GsfOutfile> copy(output ? gsf_outfile_msole_new(output.get()) : nullptr);
    if (!copy) {
        problem = "the scratch file cannot be written: " + error.text("libgsf");
        return std::nullopt;
    }
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(copy.get()), clsid);
    const bool copied = copyChildren(GSF_INFILE(child.get()), copy.get());
    if (!gsf_output_close(GSF_OUTPUT(copy.get())) || !copied) {
        problem = "the stored " + storage + " cannot be copied out";
        return std::nullopt;
    }
    return file;
}

} // namespace setupcheck::libmsi
