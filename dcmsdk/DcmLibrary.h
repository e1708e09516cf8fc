#pragma once

namespace dcmSDK {

// Prepares the library's process-wide state (the JPEG, JPEG-LS and RLE decoders of DCMTK, and
// the detection of a data set's own encoding in files whose meta header mislabels it). Call it
// once at start-up before any thread uses the library; further calls do nothing. The readers call
// it too, so a program that forgets it still decodes.
void dcmsdk_init();

// Stops and joins every thread the library started (storage nodes, senders, verification, queries
// and retrievals), then forgets the callbacks. Library objects stay valid and may start again.
void dcmsdk_destroy();

// The largest single buffer the system allocates: pixel data or a data set that would need more is
// refused rather than loaded.
constexpr unsigned long long kMaxBufferBytes = 1214752192ULL;

}  // namespace dcmSDK
