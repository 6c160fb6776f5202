// GetPelmors: the profile name of the MAPI session a running mail client shares.
#define PELMOR_BUILDING
#include "Pelmor.h"
#include "ComPtr.h"
#include "MapiLibrary.h"
#include "ProfileNameCopy.h"
#include <objbase.h>

namespace {

// MAPI's global profile section, which holds the profile's name.
const MAPIUID kGlobalProfileSection = {
    {0x13, 0xDB, 0xB0, 0xC8, 0xAA, 0x05, 0x10, 0x1A, 0x9B, 0xB0, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A}};

// COM for the length of the call; undone only if this call's initialisation
// counted (S_FALSE, already initialised, counts too).
class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment()
    {
        if (initialized_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

class MapiSubsystem {
public:
    explicit MapiSubsystem(const MapiLibrary& mapi) : mapi_(mapi), initialized_(SUCCEEDED(mapi.Initialize())) {}
    ~MapiSubsystem()
    {
        if (initialized_)
            mapi_.Uninitialize();
    }
    MapiSubsystem(const MapiSubsystem&) = delete;
    MapiSubsystem& operator=(const MapiSubsystem&) = delete;

private:
    const MapiLibrary& mapi_;
    bool initialized_;
};

// A property value that MAPI allocated, freed with MAPIFreeBuffer at scope end.
class MapiProperty {
public:
    explicit MapiProperty(const MapiLibrary& mapi) : mapi_(mapi) {}
    ~MapiProperty()
    {
        if (value_)
            mapi_.FreeBuffer(value_);
    }
    MapiProperty(const MapiProperty&) = delete;
    MapiProperty& operator=(const MapiProperty&) = delete;

    const SPropValue* get() const { return value_; }
    SPropValue** put() { return &value_; }

private:
    const MapiLibrary& mapi_;
    SPropValue* value_ = nullptr;
};

// Declared in the order they are obtained, so they are given back in the
// reverse: property, section, session, MAPI, the library, COM.
void ReadProfileName(char* buffer)
{
    ComApartment com;
    MapiLibrary mapi;
    if (!mapi.Bound())
        return;
    MapiSubsystem subsystem(mapi);

    // Some MAPI32 builds leave the pointer alone when no session is shared:
    // the pointer, not the result, tells whether there is one.
    ComPtr<IMAPISession> session;
    static_cast<void>(mapi.LogonEx(MAPI_EXTENDED | MAPI_NO_MAIL, session.put()));
    if (!session.get())
        return;

    MAPIUID sectionId = kGlobalProfileSection;
    ComPtr<IProfSect> section;
    if (FAILED(session->OpenProfileSection(&sectionId, nullptr, MAPI_MODIFY, section.put())) || !section.get())
        return;

    MapiProperty name(mapi);
    if (FAILED(mapi.GetOneProp(section.get(), PR_PROFILE_NAME_A, name.put())) || !name.get())
        return;
    if (name.get()->ulPropTag == PR_PROFILE_NAME_A)
        CopyProfileName(buffer, name.get()->Value.lpszA);
}

} // namespace

extern "C" int __stdcall GetPelmors(char* buffer)
{
    if (!buffer)
        return 0;
    buffer[0] = '\0';
    ReadProfileName(buffer);
    return 1;
}
