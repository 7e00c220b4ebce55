// The frames of one layer of a staff, measure by measure: as the plug-in walks a layer, its
// entries run from one frame that holds entries to the next, past measures where the layer is
// empty.
#pragma once

#include "host/Document.h"

#include <vector>

namespace cadentra_cli {

/// A frame of a layer that holds entries, with its measure; none when `entries` is null.
struct LayerFrame {
    const std::vector<EXENTRY>* entries = nullptr;
    int measure = 0;
};

/// The nearest frame of the layer of `key` before its measure, no earlier than measure `from`,
/// that holds entries.
inline LayerFrame FrameBefore(const host::Document& document, const host::FrameKey& key,
                              int from = 1) {
    auto it = document.frames.lower_bound(host::FrameKey{key.staff, key.measure, 0});
    while (it != document.frames.begin()) {
        --it;
        if (it->first.staff != key.staff || it->first.measure < from) break;
        if (it->first.layer == key.layer && !it->second.empty())
            return LayerFrame{&it->second, it->first.measure};
    }
    return {};
}

/// The nearest frame of the layer of `key` after its measure that holds entries.
inline LayerFrame FrameAfter(const host::Document& document, const host::FrameKey& key) {
    for (auto it = document.frames.lower_bound(
             host::FrameKey{key.staff, static_cast<twobyte>(key.measure + 1), 0});
         it != document.frames.end() && it->first.staff == key.staff; ++it)
        if (it->first.layer == key.layer && !it->second.empty())
            return LayerFrame{&it->second, it->first.measure};
    return {};
}

} // namespace cadentra_cli
