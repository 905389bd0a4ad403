// The sectors of one logical unit, kept in an anonymous memory file of the unit's size:
// only written pages take memory, and sectors never written read back as zeros. The unit's
// disk node in the sandbox is a link to that file (LinkNode), so that what a program reads
// and writes through the node is what the unit's SCSI commands read and write. The file
// cannot grow or shrink: a write past the unit's end fails, as on a disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sim {

class LunStore {
public:
    static constexpr std::uint32_t kSectorSize = 512;

    explicit LunStore(std::uint64_t sectors);
    LunStore(LunStore&& other) noexcept;
    LunStore& operator=(LunStore&&) = delete;
    ~LunStore();

    std::uint64_t sectors() const { return sectors_; }
    bool Contains(std::uint64_t lba, std::uint64_t count) const { return lba + count <= sectors_ && lba + count >= lba; }
    // Both take whole sectors; the caller checks Contains first. They throw when the
    // file refuses the transfer.
    void Read(std::uint64_t lba, std::span<std::uint8_t> out) const;
    void Write(std::uint64_t lba, std::span<const std::uint8_t> in);

    // Replaces the file of a device node in the sandbox ("<root>/dev/sdb") with a link to
    // these sectors, keeping the node's mode bits (umockdev tells block from character
    // devices by them). The link names this process's descriptor, so it lasts as long as
    // this store; a program of another process opens the same sectors through it too.
    void LinkNode(const std::string& nodeFile) const;

private:
    std::uint64_t sectors_;
    int fd_;
};

} // namespace sim
