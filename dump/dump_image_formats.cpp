// The disk image formats gallimaw-dump reads through The Sleuth Kit: raw
// (whole or split) and EWF, which dump_ewf.cpp opens through the EWF
// library itself. The Sleuth Kit is linked statically, and its image opener refers to
// the readers of other formats, whose libraries would come with them: the
// AFF one brings network and crypto libraries that take longer to load at
// every start than reading a loose index file takes. gallimaw-dump names
// the format of every image it opens, so these readers are never called;
// they stand in for the library's own.
#include <tsk/libtsk.h>

extern "C" {

TSK_IMG_INFO *aff_open(const TSK_TCHAR *const *, unsigned int)
{
    return nullptr;
}

TSK_IMG_INFO *vmdk_open(int, const TSK_TCHAR *const *, unsigned int)
{
    return nullptr;
}

TSK_IMG_INFO *vhdi_open(int, const TSK_TCHAR *const *, unsigned int)
{
    return nullptr;
}

}
