#include "fsbuild/ntfs/security.h"

#include <cstring>
#include <initializer_list>

namespace ntfs {
namespace {

constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint8_t kObjectAndContainerInherit = 0x03;
constexpr std::uint16_t kSelfRelativeWithDacl = 0x8004;

using Bytes = std::vector<std::uint8_t>;

void Append16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(Bytes& out, std::uint32_t value)
{
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

// A SID: revision 1, sub-authority count, 48-bit big-endian authority, sub-authorities.
Bytes Sid(std::uint8_t authority, std::initializer_list<std::uint32_t> subAuthorities)
{
    Bytes sid{1, static_cast<std::uint8_t>(subAuthorities.size()), 0, 0, 0, 0, 0, authority};
    for (std::uint32_t part : subAuthorities)
        Append32(sid, part);
    return sid;
}

const Bytes& LocalSystem()
{
    static const Bytes sid = Sid(5, {18});
    return sid;
}

const Bytes& Administrators()
{
    static const Bytes sid = Sid(5, {32, 544});
    return sid;
}

const Bytes& Everyone()
{
    static const Bytes sid = Sid(1, {0});
    return sid;
}

struct Ace {
    std::uint8_t flags;
    const Bytes& sid;
};

Bytes Acl(std::initializer_list<Ace> aces)
{
    Bytes body;
    for (const Ace& ace : aces) {
        body.push_back(0); // access allowed
        body.push_back(ace.flags);
        Append16(body, static_cast<std::uint16_t>(8 + ace.sid.size()));
        Append32(body, kFullControl);
        body.insert(body.end(), ace.sid.begin(), ace.sid.end());
    }
    Bytes acl{2, 0};
    Append16(acl, static_cast<std::uint16_t>(8 + body.size()));
    Append16(acl, static_cast<std::uint16_t>(aces.size()));
    Append16(acl, 0);
    acl.insert(acl.end(), body.begin(), body.end());
    return acl;
}

// Self-relative descriptor: header, DACL, owner, group.
Bytes Descriptor(const Bytes& owner, const Bytes& group, const Bytes& dacl)
{
    constexpr std::uint32_t kHeader = 20;
    Bytes out{1, 0};
    Append16(out, kSelfRelativeWithDacl);
    auto ownerOffset = static_cast<std::uint32_t>(kHeader + dacl.size());
    Append32(out, ownerOffset);
    Append32(out, static_cast<std::uint32_t>(ownerOffset + owner.size()));
    Append32(out, 0); // no SACL
    Append32(out, kHeader);
    out.insert(out.end(), dacl.begin(), dacl.end());
    out.insert(out.end(), owner.begin(), owner.end());
    out.insert(out.end(), group.begin(), group.end());
    return out;
}

} // namespace

std::uint32_t SecurityDescriptorHash(const std::uint8_t* descriptor, std::size_t length)
{
    std::uint32_t hash = 0;
    for (std::size_t at = 0; at + 4 <= length; at += 4) {
        std::uint32_t word;
        std::memcpy(&word, descriptor + at, 4);
        hash = word + ((hash >> 29) | (hash << 3));
    }
    return hash;
}

SecurityStore BuildDefaultSecurity()
{
    const Bytes descriptors[] = {
        Descriptor(Administrators(), LocalSystem(), Acl({{0, LocalSystem()}, {0, Administrators()}})),
        Descriptor(Administrators(), Administrators(),
                   Acl({{kObjectAndContainerInherit, Everyone()}, {kObjectAndContainerInherit, Administrators()}})),
    };
    SecurityStore store;
    Bytes primary;
    std::uint32_t securityId = kSystemFileSecurityId;
    for (const Bytes& descriptor : descriptors) {
        primary.resize((primary.size() + 15) & ~std::size_t{15}); // entries start on 16 bytes
        SecurityDescriptorHeader header{};
        header.hash = SecurityDescriptorHash(descriptor.data(), descriptor.size());
        header.securityId = securityId++;
        header.offset = primary.size();
        header.length = static_cast<std::uint32_t>(sizeof header + descriptor.size());
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&header);
        primary.insert(primary.end(), raw, raw + sizeof header);
        primary.insert(primary.end(), descriptor.begin(), descriptor.end());
        store.headers.push_back(header);
    }
    store.sds.assign(kSdsMirrorDistance + primary.size(), 0);
    std::memcpy(store.sds.data(), primary.data(), primary.size());
    std::memcpy(store.sds.data() + kSdsMirrorDistance, primary.data(), primary.size());
    return store;
}

} // namespace ntfs
