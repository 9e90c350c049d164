#pragma once

namespace selvana {

// The icons are compiled into a static library; whoever shows them registers them first.
void ensureResources();

} // namespace selvana
