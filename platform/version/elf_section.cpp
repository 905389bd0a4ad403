#include "platform/version/elf_section.h"

#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

class FileReader {
public:
    explicit FileReader(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileReader()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool Size(std::uint64_t& size) const
    {
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        size = static_cast<std::uint64_t>(info.st_size);
        return true;
    }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const
    {
        auto* out = static_cast<char*>(buffer);
        while (length > 0) {
            ssize_t got = pread(fd_, out, length, static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            out += got;
            offset += static_cast<std::uint64_t>(got);
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
};

bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t fileSize)
{
    return offset <= fileSize && length <= fileSize - offset;
}

} // namespace

std::optional<std::string> ReadElfSection(const std::string& path, std::string_view sectionName)
{
    FileReader file(path);
    std::uint64_t fileSize = 0;
    Elf64_Ehdr header{};
    if (!file.Size(fileSize) || !file.ReadAt(0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    if (!Inside(header.e_shoff, std::uint64_t{header.e_shnum} * sizeof(Elf64_Shdr), fileSize))
        return std::nullopt;
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!file.ReadAt(header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr)))
        return std::nullopt;
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    if (!Inside(names.sh_offset, names.sh_size, fileSize))
        return std::nullopt;
    std::string nameTable(names.sh_size, '\0');
    if (!file.ReadAt(names.sh_offset, nameTable.data(), nameTable.size()))
        return std::nullopt;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= nameTable.size() || section.sh_type == SHT_NOBITS)
            continue;
        std::string_view name(nameTable.c_str() + section.sh_name);
        if (name != sectionName)
            continue;
        if (!Inside(section.sh_offset, section.sh_size, fileSize))
            return std::nullopt;
        std::string bytes(section.sh_size, '\0');
        if (!file.ReadAt(section.sh_offset, bytes.data(), bytes.size()))
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

} // namespace platform
