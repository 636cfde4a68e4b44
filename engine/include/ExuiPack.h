#pragma once
// The property pack: the stored skin of one skinned control, handed to the
// engine unread by the viewer (a RT_RCDATA resource named after the control)
// and read by the engine during the create call only. The engine copies what
// it keeps, so the pack may be freed or unmapped afterwards.
//
// Layout, all integers little-endian:
//   header (16 bytes)
//     char     magic[4]    "EXPK"
//     uint32_t length      total bytes of the pack, header included; it
//                          must fit in the bytes the caller says it holds
//                          (ExuiBindingRecord::propertyPackLength)
//     uint16_t version     1
//     uint16_t count       number of entries
//     uint32_t reserved    0
//   then `count` entries, each
//     uint16_t tag         EXPK_* below
//     uint16_t slot        which image of a kind (see the tags), else 0;
//                          for EXPK_STATE_IMAGE and EXPK_GLYPH the high byte
//                          names the display scale the picture is drawn for,
//                          in quarters (5 = 125 %, 6 = 150 %, 8 = 200 %; 0 is
//                          100 %). A window shows the pictures of the smallest
//                          scale at or above its own (else the largest), and
//                          a kind missing at that scale from the 100 % ones
//     uint32_t size        bytes of the payload
//     payload, then zero padding to a multiple of 4
//
// A `length` beyond the caller's, an entry that would run past `length`, an
// unknown version or magic makes the engine ignore the whole pack (plain
// defaults); unknown tags are skipped.
#include <stdint.h>

#define EXPK_MAGIC "EXPK"
#define EXPK_VERSION 1

enum ExuiPackTag {
    // GBK text, zero-terminated: the design text (WindowEx title,
    // SuperbuttonEx caption); it is what an unwritten text attribute reads.
    EXPK_TEXT = 1,
    // int32_t size in points, then the face name as GBK text, zero-terminated.
    // Faces missing on the system fall back to an installed CJK sans-serif.
    EXPK_FONT = 2,
    // A PNG drawn over the whole control, one per state:
    //   slot = set * 4 + state, state 0 normal, 1 hover, 2 pressed;
    //   set 0 is the usual look, set 1 the look while the top-level window is
    //   maximized (the restore glyph of a maximize button).
    EXPK_STATE_IMAGE = 3,
    // A PNG glyph (white on transparent) centred over the state image, scaled
    // down to fit the control when larger; slot as for EXPK_STATE_IMAGE with
    // state 0.
    EXPK_GLYPH = 4,
    // The window icon as an ICO file (WindowEx).
    EXPK_ICON = 5,
    // uint32_t 0xAARRGGBB (straight alpha): a solid colour covering the whole
    // window (WindowEx background). It stands for a background image of one
    // colour at any window size.
    EXPK_FILL = 6,
    // int32_t height in pixels of the caption band (WindowEx).
    EXPK_CAPTION_HEIGHT = 7,
};
