#include "AddinRecord.h"
#include "Guids.h"
#include "Result.h"
#include <cstring>

namespace {

const HRESULT kInvalidRecord = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
const size_t kTrailingWords = 6;

class RecordReader {
public:
    RecordReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool Dword(DWORD& value)
    {
        if (size_ - at_ < 4)
            return false;
        value = data_[at_] | (data_[at_ + 1] << 8) | (data_[at_ + 2] << 16) | (static_cast<DWORD>(data_[at_ + 3]) << 24);
        at_ += 4;
        return true;
    }

    bool Text(AddinRecordText& text)
    {
        DWORD length = 0;
        if (!Dword(length) || length == 0 || length > size_ - at_)
            return false;
        const char* chars = reinterpret_cast<const char*>(data_ + at_);
        if (chars[length - 1] != '\0' || std::memchr(chars, '\0', length - 1))
            return false;
        text = {chars, length - 1};
        at_ += length;
        return true;
    }

    bool Skip(size_t bytes)
    {
        if (size_ - at_ < bytes)
            return false;
        at_ += bytes;
        return true;
    }

    size_t Remaining() const { return size_ - at_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace

HRESULT ReadAddinRecord(const BYTE* data, size_t size, AddinEntry& entry)
{
    if (!data || size < sizeof(GUID) || std::memcmp(data, &CLSID_AddinDesigner, sizeof(GUID)) != 0)
        return kInvalidRecord;
    RecordReader reader(data + sizeof(GUID), size - sizeof(GUID));
    DWORD recordLength = 0;
    if (!reader.Dword(recordLength) || recordLength != reader.Remaining())
        return kInvalidRecord;
    AddinEntry read = {};
    if (!reader.Text(read.hostKey) || !reader.Text(read.displayName) || !reader.Text(read.description) ||
        !reader.Dword(read.loadBehavior) || !reader.Skip(kTrailingWords * 4) || reader.Remaining() != 0)
        return kInvalidRecord;
    entry = read;
    return S_OK;
}

HRESULT FindAddinRecord(HMODULE module, const BYTE*& data, size_t& size)
{
    HRSRC resource = FindResourceW(module, L"ADDINREGISTRATION", RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (!loaded)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    data = static_cast<const BYTE*>(LockResource(loaded));
    size = SizeofResource(module, resource);
    return S_OK;
}

HRESULT LocateAddinEntry(HMODULE module, AddinEntry& entry, HKEY& root, WideText& key)
{
    const BYTE* data = nullptr;
    size_t size = 0;
    RETURN_IF_FAILED(FindAddinRecord(module, data, size));
    RETURN_IF_FAILED(ReadAddinRecord(data, size, entry));
    WideText host = RecordText(entry.hostKey);
    struct {
        const wchar_t* name;
        HKEY root;
    } const roots[] = {{L"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}, {L"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}};
    for (const auto& candidate : roots) {
        size_t length = WideText::Length(candidate.name);
        if (host.size() > length && CompareStringOrdinal(host.c_str(), static_cast<int>(length), candidate.name,
                                                         static_cast<int>(length), TRUE) == CSTR_EQUAL) {
            root = candidate.root;
            key = WideText(host.c_str() + length).Append(L"\\Addins\\").Append(kAddinProgId);
            return S_OK;
        }
    }
    return kInvalidRecord;
}
