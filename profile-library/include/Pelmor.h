/* Pelmor.dll: the name of the MAPI profile that the running mail session uses.
 *
 *   char profile[PELMOR_PROFILE_NAME_SIZE];
 *   if (GetPelmors(profile) && profile[0]) ... profile holds the name ...
 *
 * GetPelmors(buffer)
 *   buffer  room for PELMOR_PROFILE_NAME_SIZE (65) bytes: MAPI profile names
 *           have at most 64 characters, plus the terminating null. Nothing
 *           beyond the 65th byte is ever written; a longer name is cut to 64
 *           characters.
 *   returns 0 when buffer is null (nothing else is done), otherwise 1. The
 *           buffer then holds the profile name (system code page), or the
 *           empty string when no MAPI client (Outlook) shares a session or
 *           the name cannot be read.
 *
 * Exported by name as "GetPelmors", __stdcall on 32-bit Windows (the callee
 * pops its one argument; 64-bit Windows has one calling convention). A
 * 64-bit caller uses the 64-bit flavour, x64\Pelmor.dll: a 32-bit caller
 * cannot share a 64-bit Outlook's MAPI session. Link with the import library
 * of your bitness, or load Pelmor.dll and take the address of "GetPelmors"
 * as a PELMOR_GETPELMORS pointer. It may be called
 * from any thread; it initialises COM and MAPI only for the length of the call.
 */
#ifndef PELMOR_H
#define PELMOR_H

#define PELMOR_PROFILE_NAME_SIZE 65

#ifdef __cplusplus
extern "C" {
#endif

#ifdef PELMOR_BUILDING
#define PELMOR_API
#else
#define PELMOR_API __declspec(dllimport)
#endif

PELMOR_API int __stdcall GetPelmors(char* buffer);

typedef int(__stdcall* PELMOR_GETPELMORS)(char* buffer);

#ifdef __cplusplus
}
#endif

#endif
