// Acting on the screen as a user would: taps, the title bar ok, message
// box buttons, menu bar commands and the Help key. Each returns 0 when done,
// otherwise prints why and returns 1.
#pragma once
#include <windows.h>

int Tap(int x, int y);
int TapOk();
int AnswerMessageBox(const WCHAR *button);
int ChooseMenuItem(const WCHAR *item);
int AskForHelp();
