#include "device/ui/remote_html_view.h"
#include "ce/htmlview.h"
#include "device/ui/json_text.h"
#include "device/ui/remote_memory.h"

#define MAX_HOTSPOTS 1000

void AppendHtmlLinks(std::string &out, HWND view)
{
    out += ",\"links\":[";
    RemoteBlock block;
    if (OpenRemoteBlock(view, &block)) {
        for (int index = 0; index < MAX_HOTSPOTS; index++) {
            HTMLVIEW_HOTSPOT hotspot = {};
            if (!SendRemote(view, &block, DTM_GETHOTSPOT, index, &hotspot, sizeof hotspot, NULL, 0))
                break;
            hotspot.szTarget[MAX_PATH - 1] = 0;
            MapWindowPoints(view, NULL, (POINT *)&hotspot.rcClient, 2);
            out += index ? ",{\"target\":" : "{\"target\":";
            AppendJsonString(out, hotspot.szTarget);
            out += ",\"rect\":";
            AppendJsonRect(out, hotspot.rcClient);
            out += '}';
        }
        CloseRemoteBlock(&block);
    }
    out += ']';
}
