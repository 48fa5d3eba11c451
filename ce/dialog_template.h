// In-memory dialog templates, plain (DLGTEMPLATE) or extended
// (DLGTEMPLATEEX).
#pragma once
#include <windows.h>

// Bytes of the whole template, its controls included.
SIZE_T DialogTemplateSize(LPCDLGTEMPLATEW dialogTemplate);
DWORD *DialogTemplateExStyle(DLGTEMPLATE *dialogTemplate);
