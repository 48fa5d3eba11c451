// CreateFileForMappingW as the device has it. On the device a file opened
// for mapping with read access alone never shuts out other readers, so
// read sharing is added for such opens; the viewer asks for it anyway, and
// a file that someone else holds without read sharing still cannot be
// opened. Opens with write access keep the caller's share mode.
#include "ce/coredll.h"

HANDLE CreateFileForMappingW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                             LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                             DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    if (!(dwDesiredAccess & GENERIC_WRITE))
        dwShareMode |= FILE_SHARE_READ;
    return CreateFileW(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                       dwFlagsAndAttributes, hTemplateFile);
}
