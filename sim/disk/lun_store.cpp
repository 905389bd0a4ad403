#include "sim/disk/lun_store.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {
namespace {

std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// pread/pwrite until the whole span moved; throws on an error or a short transfer.
template <class Transfer, class Byte>
void Whole(Transfer transfer, int fd, Byte* data, std::size_t size, std::uint64_t at, const char* what)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t moved = transfer(fd, data + done, size - done, static_cast<off_t>(at + done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0) {
            if (moved == 0)
                errno = EIO;
            throw Failure(std::string("unit store ") + what);
        }
        done += static_cast<std::size_t>(moved);
    }
}

} // namespace

LunStore::LunStore(std::uint64_t sectors) : sectors_(sectors)
{
    fd_ = ::memfd_create("lun", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd_ < 0)
        throw Failure("unit store not created");
    if (::ftruncate(fd_, static_cast<off_t>(sectors * kSectorSize)) != 0 ||
        ::fcntl(fd_, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0) {
        auto failure = Failure("unit store not sized");
        ::close(fd_);
        throw failure;
    }
}

LunStore::LunStore(LunStore&& other) noexcept : sectors_(other.sectors_), fd_(other.fd_)
{
    other.fd_ = -1;
}

LunStore::~LunStore()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void LunStore::Read(std::uint64_t lba, std::span<std::uint8_t> out) const
{
    Whole(::pread, fd_, out.data(), out.size(), lba * kSectorSize, "read");
}

void LunStore::Write(std::uint64_t lba, std::span<const std::uint8_t> in)
{
    Whole(::pwrite, fd_, in.data(), in.size(), lba * kSectorSize, "write");
}

void LunStore::LinkNode(const std::string& nodeFile) const
{
    struct stat node;
    if (::stat(nodeFile.c_str(), &node) != 0)
        throw Failure("no device node " + nodeFile);
    if (::fchmod(fd_, node.st_mode & 07777) != 0)
        throw Failure("unit store cannot take the mode of " + nodeFile);
    const std::string self = "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(fd_);
    const std::string link = nodeFile + ".link";
    ::unlink(link.c_str());
    // Renamed into place, so that the node never goes missing for a program opening it.
    if (::symlink(self.c_str(), link.c_str()) != 0 || ::rename(link.c_str(), nodeFile.c_str()) != 0)
        throw Failure("device node " + nodeFile + " not linked to its unit");
}

} // namespace sim
