#pragma once
// A regular expression run over one text by the system's scripting
// component ("VBScript.RegExp"), driven through late-bound IDispatch calls by
// member name. The object keeps the last search for later questions: the
// matches, their sub-matches and the text with every match replaced.
// Texts are GBK; they cross into the component as UTF-16. Nothing is
// reported: a missing or failing component gives false, empty texts and 0.
#include <windows.h>
#include <oaidl.h>

#include "runtime/text.h"
#include "util/com_initialization.h"
#include "runtime/unique.h"

namespace vela {

class RegexObject final {
public:
    // Initialises COM on this thread for the object's life.
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // A fresh engine searches subject for pattern. With quotePlaceholder,
    // every "#引号" of the pattern stands for a double quote. True when the
    // component gave a match collection (which may be empty).
    virtual bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                        bool multiLine = true, bool global = true, bool quotePlaceholder = false);
    // The engine's pattern read back; empty before Create.
    virtual Text GetPattern();
    // The subject of the last Create with every match replaced.
    virtual Text Replace(std::string_view replacement = {});
    virtual int GetMatchCount();
    // Match `number` (from 1). With position, the 0-based byte offset of the
    // match text in the subject, or -2 when it is not found there.
    virtual Text GetMatchText(int number, int* position = nullptr);
    // Sub-match `subNumber` (from 1) of match `number` (from 1); position as
    // above, searched from the start of the match.
    virtual Text GetSubMatchText(int number, int subNumber, int* position = nullptr);
    // The sub-matches of the first match.
    virtual int GetSubMatchCount();

private:
    using Dispatch = Unique<IDispatch*, ComRelease<IDispatch>>;

    // A VARIANT cleared when it goes (or is assigned anew).
    struct Variant {
        VARIANT v;
        Variant();
        ~Variant();
        Variant(const Variant&) = delete;
        Variant& operator=(const Variant&) = delete;
        void Clear();
    };

    static bool Call(IDispatch* object, const wchar_t* name, WORD firstKind, WORD secondKind, VARIANT* args,
                     UINT argCount, Variant& result);
    static bool Read(IDispatch* object, const wchar_t* name, Variant& result, VARIANT* args = nullptr,
                     UINT argCount = 0);
    static bool Invoke(IDispatch* object, const wchar_t* name, Variant& result, VARIANT* args, UINT argCount);
    static void Write(IDispatch* object, const wchar_t* name, VARIANT value);
    static Text TextOf(const VARIANT& value);
    static double NumberOf(const VARIANT& value);
    static Dispatch ObjectOf(Variant& value);
    static Dispatch Item(IDispatch* collection, int index);

    int PositionOf(std::string_view found, IDispatch* match);

    // First: COM stays initialised until every reference below is gone.
    ComInitialization com_;
    Dispatch engine_;
    Dispatch matches_;
    Variant subject_;
};

}  // namespace vela
