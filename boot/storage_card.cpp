// Whether a path lies on one of the device's storage cards.
#include "ce/pocketpc.h"
#include "boot/storage_card.h"
#include <wchar.h>

// The path comes without its leading backslash, so it starts with the
// card's folder name when it lies on that card.
BOOL IsOnStorageCard(LPCWSTR modulePath)
{
    WIN32_FIND_DATAW card;
    HANDLE cards = FindFirstFlashCard(&card);
    if (cards == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL onCard;
    do
        onCard = _wcsnicmp(modulePath, card.cFileName, wcslen(card.cFileName)) == 0;
    while (!onCard && FindNextFlashCard(cards, &card));
    FindClose(cards);
    return onCard;
}
