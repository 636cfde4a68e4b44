#include "core/attributes.h"

#include <cstring>
#include <exception>
#include <utility>

#include "ExuiKrnln.h"

namespace uiengine {

namespace {

// Kinds of properties 8 upward, one letter each.
const char* KindsOf(ControlType type) {
    switch (type) {
        case ControlType::WindowEx: return "bbiiididdddiiiiiditddtbi";
        case ControlType::MinutesboxEx: return "bbiiididdiididitdd";
        case ControlType::PictureBoxEx: return "bbiiididdiibiiiddi";
        case ControlType::ButtonEx: return "bbiiididddiitdd";
        case ControlType::SuperbuttonEx: return "bbiiididbdiibddiitdd";
    }
    return "";
}

}  // namespace

int AttributeCount(ControlType type) {
    // Property counts 32, 26, 26, 23, 28 less the eight common ones.
    switch (type) {
        case ControlType::WindowEx: return 24;
        case ControlType::MinutesboxEx: return 18;
        case ControlType::PictureBoxEx: return 18;
        case ControlType::ButtonEx: return 15;
        case ControlType::SuperbuttonEx: return 20;
    }
    return 0;
}

Kind AttributeKind(ControlType type, int index) { return static_cast<Kind>(KindsOf(type)[index]); }

Attributes::Attributes(ControlType type) : type_(type) {
    const int n = AttributeCount(type);
    slots_.reserve(n);
    for (int i = 0; i < n; ++i) {
        Slot s;
        s.kind = AttributeKind(type, i);
        slots_.push_back(std::move(s));
    }
}

bool Attributes::Write(int index, const void* value, bool* emptied) {
    if (emptied) *emptied = false;
    if (!Exists(index) || !value) return false;
    Slot& s = slots_[index];
    switch (s.kind) {
        case Kind::Int: s.number = *static_cast<const int32_t*>(value); break;
        case Kind::Bool: s.number = *static_cast<const int32_t*>(value) != 0; break;
        case Kind::Text: {
            const char* t = *static_cast<const char* const*>(value);
            try {
                s.text.assign(t ? t : "");
            } catch (const std::exception&) {
                return false;  // the old text stays
            }
            break;
        }
        case Kind::Data: {
            const ExuiData* d = static_cast<const ExuiData*>(value);
            const uint8_t* p = static_cast<const uint8_t*>(d->data);
            // A new block each time: whoever still shares the old one keeps it.
            // The old one goes first, unless the bytes written are its own.
            const bool own = s.data && p >= s.data->data() && p < s.data->data() + s.data->size();
            if (!own) s.data.reset();
            if (p && d->length > 0) {
                try {
                    s.data = std::make_shared<const std::vector<uint8_t>>(p, p + d->length);
                } catch (const std::exception&) {
                    s.data.reset();
                    s.written = true;
                    if (emptied) *emptied = true;
                    return false;
                }
            } else {
                s.data.reset();
            }
            break;
        }
    }
    s.written = true;
    return true;
}

bool Attributes::Read(int index, void* out) const {
    if (!Exists(index) || !out) return false;
    const Slot& s = slots_[index];
    switch (s.kind) {
        case Kind::Int:
        case Kind::Bool: *static_cast<int32_t*>(out) = s.number; break;
        case Kind::Text: *static_cast<const char**>(out) = s.text.c_str(); break;
        case Kind::Data: {
            ExuiData* d = static_cast<ExuiData*>(out);
            d->data = s.data ? s.data->data() : nullptr;
            d->length = s.data ? static_cast<int32_t>(s.data->size()) : 0;
            break;
        }
    }
    return true;
}

void Attributes::SetDesignText(int index, const std::string& text) {
    if (Exists(index) && slots_[index].kind == Kind::Text && !slots_[index].written) slots_[index].text = text;
}

int Attributes::Int(int index) const { return Exists(index) ? slots_[index].number : 0; }

const std::string& Attributes::TextOf(int index) const {
    static const std::string empty;
    return Exists(index) ? slots_[index].text : empty;
}

const std::vector<uint8_t>& Attributes::DataOf(int index) const {
    static const std::vector<uint8_t> empty;
    return Exists(index) && slots_[index].data ? *slots_[index].data : empty;
}

std::shared_ptr<const std::vector<uint8_t>> Attributes::SharedDataOf(int index) const {
    return Exists(index) ? slots_[index].data : nullptr;
}

}  // namespace uiengine
