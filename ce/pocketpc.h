// Everything the viewer's code sees of the Pocket PC platform.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include "ce/aygshell.h"
#include "ce/htmlview.h"
#include "ce/note_prj.h"
#include "ce/coredll.h"
