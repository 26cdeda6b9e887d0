#pragma once

namespace kestrel {

// Makes large short-lived buffers (the images the window paints into, a picture being saved) mappings of
// their own that go back to the system when freed. glibc otherwise raises its mapping threshold once such
// a buffer is freed and serves the next ones from the heap, whose pages a session of many hours then keeps:
// the resident memory creeps up with nothing leaked. Call it before the application object exists.
void keepLargeBuffersOutOfTheHeap();

}  // namespace kestrel
