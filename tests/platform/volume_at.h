#pragma once
// The volume at a root, as a listing that mounts nothing describes it: what
// the Linux volume tests look at after the program's own discovery.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/volumes.h"

namespace platformtest {

inline std::optional<platform::VolumeDescriptor> volumeAt(const char* root) {
    static platform::VolumeList list;  // too large for a test's stack
    platform::listVolumes(list, platform::MOUNT_NOTHING);
    for (std::size_t i = 0; i < list.count; ++i) {
        if (std::string(list.volumes[i].root) == root && list.volumes[i].fault == platform::VolumeFault::None) {
            return list.volumes[i];
        }
    }
    return std::nullopt;
}

}  // namespace platformtest
