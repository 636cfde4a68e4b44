#pragma once
// What the viewer learns about a picture's pixels: its natural size and the
// picture turned a quarter clockwise. Pictures travel as their encoded bytes;
// every answer here comes from decoding them with GDI+, and every failure is
// quiet (0 or an empty array).
#include "runtime/text.h"

namespace vela {

// Natural width / height in pixels; 0 when the bytes cannot be decoded.
// Only the bytes are read: content that spells a path is no picture, and
// the viewer never opens what it names. The last content measured is
// remembered (a few of them, by their bytes), so measuring the width and
// then the height of the same bytes decodes them once.
int MeasurePictureWidth(ByteView picture);
int MeasurePictureHeight(ByteView picture);
// Drops the remembered measurements and their copies of the bytes.
void ForgetMeasurement();
// Measures the bytes into the remembered ones, for a later measurement of
// equal bytes; callable from one background thread. A measurement of equal
// bytes asked for meanwhile waits for it rather than decoding them again.
// Bytes handed over become the remembered copy as they are.
void MeasureAhead(ByteView picture);
void MeasureAhead(Bytes&& picture);
struct MeasurementCacheInfo {
    int entries = 0;
    std::size_t bytes = 0;  // copies held
    int hits = 0, misses = 0;
};
MeasurementCacheInfo InspectMeasurements();

// The picture turned 90 degrees clockwise, encoded as PNG; empty on failure.
Bytes RotatePictureBytes(const Bytes& picture);

// Keeps GDI+ started for the process (the app calls these around
// MainWindow's life). RotatePictureBytes also works without it: it then
// starts GDI+ around itself.
bool StartImaging();
void StopImaging();

}  // namespace vela
