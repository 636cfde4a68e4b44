#include "util/regex_object.h"

#include <cmath>

#include "runtime/entry_points.h"

namespace vela {
namespace {

// Stands for a double quote in patterns written where one cannot be typed.
constexpr std::string_view kQuotePlaceholder = "#引号";

double Truncated(double value) { return std::isfinite(value) ? std::trunc(value) : 0.0; }

VARIANT BoolArg(bool value) {
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT IntArg(int value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

Text WithQuotes(std::string_view pattern) {
    Text out;
    std::size_t from = 0;
    for (std::size_t at; (at = FindText(pattern, kQuotePlaceholder, from)) != kNotFound;
         from = at + kQuotePlaceholder.size()) {
        out.append(pattern.substr(from, at - from));
        out += '"';
    }
    out.append(pattern.substr(from));
    return out;
}

}  // namespace

RegexObject::Variant::Variant() {
    v.vt = VT_EMPTY;
    v.llVal = 0;
}

RegexObject::Variant::~Variant() { Clear(); }

void RegexObject::Variant::Clear() {
    if (v.vt != VT_EMPTY) api::VariantClear(&v);
    v.vt = VT_EMPTY;
}

RegexObject::RegexObject() {
    // The subject starts as the number 0, as the component's own callers see it.
    subject_.v.vt = VT_I4;
    subject_.v.lVal = 0;
}

RegexObject::~RegexObject() {
    // Every reference goes before COM is left on this thread.
    matches_.Reset();
    engine_.Reset();
    subject_.Clear();
}

bool RegexObject::Call(IDispatch* object, const wchar_t* name, WORD firstKind, WORD secondKind, VARIANT* args,
                       UINT argCount, Variant& result) {
    result.Clear();
    if (!object) return false;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    for (WORD kind : {firstKind, secondKind}) {
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{args, nullptr, argCount, 0};
        const bool put = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (put) {
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, put ? nullptr : &result.v,
                                     nullptr, nullptr))) {
            return true;
        }
        result.Clear();
    }
    return false;
}

bool RegexObject::Read(IDispatch* object, const wchar_t* name, Variant& result, VARIANT* args, UINT argCount) {
    return Call(object, name, DISPATCH_PROPERTYGET, DISPATCH_METHOD, args, argCount, result);
}

bool RegexObject::Invoke(IDispatch* object, const wchar_t* name, Variant& result, VARIANT* args, UINT argCount) {
    return Call(object, name, DISPATCH_METHOD, DISPATCH_PROPERTYGET, args, argCount, result);
}

void RegexObject::Write(IDispatch* object, const wchar_t* name, VARIANT value) {
    Variant ignored;
    Call(object, name, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF, &value, 1, ignored);
}

Text RegexObject::TextOf(const VARIANT& value) {
    if (value.vt == VT_BSTR) {
        return value.bstrVal ? Gb18030FromWide({value.bstrVal, api::SysStringLen(value.bstrVal)}) : Text();
    }
    Variant text;
    if (FAILED(api::VariantChangeType(&text.v, const_cast<VARIANT*>(&value), 0, VT_BSTR)) || text.v.vt != VT_BSTR) return {};
    return TextOf(text.v);
}

double RegexObject::NumberOf(const VARIANT& value) {
    Variant number;
    if (FAILED(api::VariantChangeType(&number.v, const_cast<VARIANT*>(&value), 0, VT_R8)) || number.v.vt != VT_R8) return 0.0;
    return Truncated(number.v.dblVal);
}

RegexObject::Dispatch RegexObject::ObjectOf(Variant& value) {
    IDispatch* object = nullptr;
    if (value.v.vt == VT_DISPATCH && value.v.pdispVal) {
        object = value.v.pdispVal;
        object->AddRef();
    } else if (value.v.vt == VT_UNKNOWN && value.v.punkVal) {
        value.v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
    }
    return Dispatch(object);
}

RegexObject::Dispatch RegexObject::Item(IDispatch* collection, int index) {
    VARIANT arg = IntArg(index);
    Variant item;
    if (!Read(collection, L"Item", item, &arg, 1)) return {};
    return ObjectOf(item);
}

bool RegexObject::Create(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiLine,
                         bool global, bool quotePlaceholder) {
    matches_.Reset();
    engine_.Reset();

    CLSID clsid;
    if (SUCCEEDED(api::CLSIDFromProgID(L"VBScript.RegExp", &clsid))) {
        HRESULT hr = api::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                           IID_IDispatch, reinterpret_cast<void**>(engine_.Out()));
        if (hr == E_INVALIDARG) {
            api::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(engine_.Out()));
        }
        if (engine_) api::OleRun(engine_.Get());
    }

    Write(engine_.Get(), L"IgnoreCase", BoolArg(!caseSensitive));
    Write(engine_.Get(), L"Multiline", BoolArg(multiLine));
    Write(engine_.Get(), L"Singleline", BoolArg(true));
    Write(engine_.Get(), L"Global", BoolArg(global));

    const std::wstring widePattern = WideFromGb18030(quotePlaceholder ? WithQuotes(pattern) : Text(pattern));
    Variant patternArg;
    patternArg.v.vt = VT_BSTR;
    patternArg.v.bstrVal = api::SysAllocStringLen(widePattern.data(), static_cast<UINT>(widePattern.size()));
    Write(engine_.Get(), L"Pattern", patternArg.v);

    const std::wstring wideSubject = WideFromGb18030(subject);
    subject_.Clear();
    subject_.v.vt = VT_BSTR;
    subject_.v.bstrVal = api::SysAllocStringLen(wideSubject.data(), static_cast<UINT>(wideSubject.size()));

    Variant found;
    VARIANT arg = subject_.v;  // borrowed: Invoke does not free its arguments
    if (Invoke(engine_.Get(), L"Execute", found, &arg, 1)) matches_ = ObjectOf(found);
    return static_cast<bool>(matches_);
}

Text RegexObject::GetPattern() {
    Variant pattern;
    Read(engine_.Get(), L"Pattern", pattern);
    return TextOf(pattern.v);
}

Text RegexObject::Replace(std::string_view replacement) {
    if (!engine_) return {};
    const std::wstring wide = WideFromGb18030(replacement);
    Variant replacementArg;
    replacementArg.v.vt = VT_BSTR;
    replacementArg.v.bstrVal = api::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    // Arguments go last first: the replacement (by reference), then the subject.
    VARIANT args[2];
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &replacementArg.v;
    args[1] = subject_.v;
    Variant result;
    Invoke(engine_.Get(), L"Replace", result, args, 2);
    return TextOf(result.v);
}

int RegexObject::GetMatchCount() {
    Variant count;
    Read(matches_.Get(), L"Count", count);
    return static_cast<int>(NumberOf(count.v));
}

Text RegexObject::GetMatchText(int number, int* position) {
    Dispatch match = Item(matches_.Get(), number - 1);
    Variant value;
    Read(match.Get(), L"Value", value);
    Text text = TextOf(value.v);
    if (position) *position = PositionOf(text, match.Get());
    return text;
}

Text RegexObject::GetSubMatchText(int number, int subNumber, int* position) {
    Dispatch match = Item(matches_.Get(), number - 1);
    Variant subMatches;
    Read(match.Get(), L"SubMatches", subMatches);
    Dispatch subs = ObjectOf(subMatches);
    VARIANT arg = IntArg(subNumber - 1);
    Variant value;
    Read(subs.Get(), L"Item", value, &arg, 1);
    Text text = TextOf(value.v);
    if (position) *position = PositionOf(text, match.Get());
    return text;
}

int RegexObject::GetSubMatchCount() {
    Dispatch first = Item(matches_.Get(), 0);
    Variant subMatches;
    Read(first.Get(), L"SubMatches", subMatches);
    Dispatch subs = ObjectOf(subMatches);
    Variant count;
    Read(subs.Get(), L"Count", count);
    return static_cast<int>(NumberOf(count.v));
}

int RegexObject::PositionOf(std::string_view found, IDispatch* match) {
    const Text subject = TextOf(subject_.v);
    Variant firstIndex;
    Read(match, L"FirstIndex", firstIndex);
    const double f = NumberOf(firstIndex.v);
    // FirstIndex counts UTF-16 units; the search starts at the byte offset of
    // that many characters of the subject, so that it never begins inside a
    // double-byte character nor before the match itself.
    std::size_t start = 0;
    if (f > 0 && subject_.v.vt == VT_BSTR && subject_.v.bstrVal) {
        const UINT length = api::SysStringLen(subject_.v.bstrVal);
        const UINT units = f < length ? static_cast<UINT>(f) : length;
        start = Gb18030FromWide({subject_.v.bstrVal, units}).size();
    }
    Variant ignoreCase;
    Read(engine_.Get(), L"IgnoreCase", ignoreCase);
    const bool foldAscii = TextOf(ignoreCase.v) == "0";
    const std::size_t at = FindText(subject, found, start, foldAscii);
    return at == kNotFound ? -2 : static_cast<int>(at);
}

}  // namespace vela
