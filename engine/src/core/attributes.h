#pragma once
// The attributes of a control, kept by index (property number - 8) with the
// kind its type gives them. Reads hand out engine-owned copies.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace uiengine {

enum class ControlType { WindowEx, MinutesboxEx, PictureBoxEx, ButtonEx, SuperbuttonEx };
enum class Kind : char { Int = 'i', Bool = 'b', Text = 't', Data = 'd' };

// Indexes the viewer relies on.
constexpr int kWindowTitle = 18;      // WindowEx property 26
constexpr int kWindowHint = 21;       // WindowEx property 29
constexpr int kWindowFullScreen = 22;    // WindowEx property 30
constexpr int kWindowChromeOpacity = 23; // WindowEx property 31
constexpr int kPictureBytes = 8;      // PictureBoxEx property 16
constexpr int kPictureFirstPlay = 17; // PictureBoxEx property 25
constexpr int kButtonCaption = 17;    // SuperbuttonEx property 25

// Number of attributes of a type (its properties from number 8 on).
int AttributeCount(ControlType type);
Kind AttributeKind(ControlType type, int index);

class Attributes {
public:
    explicit Attributes(ControlType type);
    ControlType Type() const { return type_; }
    bool Exists(int index) const { return index >= 0 && index < static_cast<int>(slots_.size()); }
    // value points at an int32_t, a const char* or an ExuiData by the kind.
    // A null value or a null text/data pointer with a length writes nothing
    // dangerous: null text is the empty text, null data an empty block.
    // A data block the process has no room to copy leaves the attribute
    // empty and gives false with *emptied set (the control must still
    // forget what the old block showed).
    bool Write(int index, const void* value, bool* emptied = nullptr);
    bool Read(int index, void* out) const;
    // The design text for an unwritten text attribute.
    void SetDesignText(int index, const std::string& text);

    int Int(int index) const;
    const std::string& TextOf(int index) const;
    const std::vector<uint8_t>& DataOf(int index) const;
    // The same block shared: it stays alive for the holder even when the
    // attribute is written again meanwhile (a decode on a worker thread
    // reads it without a copy of its own). Null for an empty block.
    std::shared_ptr<const std::vector<uint8_t>> SharedDataOf(int index) const;
    bool Written(int index) const { return Exists(index) && slots_[index].written; }

private:
    struct Slot {
        Kind kind;
        bool written = false;
        int32_t number = 0;
        std::string text;
        std::shared_ptr<const std::vector<uint8_t>> data;  // null for an empty block
    };
    ControlType type_;
    std::vector<Slot> slots_;
};

}  // namespace uiengine
