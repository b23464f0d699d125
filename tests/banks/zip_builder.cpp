#include "zip_builder.h"

#include <archive.h>
#include <archive_entry.h>

namespace velmo::test {
namespace {

la_ssize_t append(archive*, void* out, const void* data, size_t size)
{
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
}

}  // namespace

std::string buildZip(const std::vector<ZipEntry>& entries)
{
    std::string out;
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    archive_write_set_bytes_in_last_block(writer, 1);
    archive_write_open(writer, &out, nullptr, append, nullptr);
    for (const auto& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        if (e.kind == ZipEntry::Folder) {
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
        } else if (e.kind == ZipEntry::Symlink) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, e.data.c_str());
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, static_cast<la_int64_t>(e.data.size()));
        }
        archive_write_header(writer, entry);
        if (e.kind == ZipEntry::File && !e.data.empty()) archive_write_data(writer, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return out;
}

}  // namespace velmo::test
