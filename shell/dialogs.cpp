// The About and Options dialogs: full-screen shell dialogs that open over the table.
#include <windows.h>

#include <aygshell.h>
#include <strsafe.h>

#include <cstdint>

#include "resource.h"
#include "shell/shell.h"

namespace {

constexpr int LineLength = 100;

struct DeckChoice {
  int control;
  std::int32_t decks;
};

// The radio buttons in the order they are asked at OK; the first checked one wins.
constexpr DeckChoice DeckChoices[] = {
    {IDC_ONE_DECK, 1},
    {IDC_TWO_DECKS, 2},
    {IDC_FOUR_DECKS, 4},
    {IDC_EIGHT_DECKS, 8},
};

// The dialogs' own bar (one blank soft key); false when it cannot be made.
bool CreateDialogMenuBar(HWND dialog) {
  return CreateMenuBarFromResource(dialog, IDM_DIALOG_MENUBAR) != nullptr;
}

// Full screen, with a Done button in the navigation bar that sends IDOK.
void InitShellDialog(HWND dialog) {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dialog;
  info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
  SHInitDialog(&info);
}

// The name-and-version line has no control id: the template holds the bare name
// there, and the build's version is added to it here.
void ShowVersion(HWND dialog) {
  WCHAR name[LineLength] = {};
  LoadStringW(Shell().instance, IDS_APP_TITLE, name, LineLength);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    WCHAR text[LineLength] = {};
    GetWindowTextW(child, text, LineLength);
    if (lstrcmpW(text, name) == 0) {
      StringCchCatW(text, LineLength, u" Version " BLACKJACK_VERSION);
      SetWindowTextW(child, text);
      return;
    }
  }
}

bool IsChecked(HWND dialog, int control) {
  return SendDlgItemMessageW(dialog, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetCheck(HWND dialog, int control, bool checked) {
  SendDlgItemMessageW(dialog, control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

BOOL InitAbout(HWND dialog) {
  ShowVersion(dialog);
  if (!CreateDialogMenuBar(dialog)) {
    return FALSE;
  }
  InitShellDialog(dialog);
  return TRUE;
}

BOOL InitOptions(HWND dialog, const GameTable &table) {
  const bool hasBar = CreateDialogMenuBar(dialog);
  if (hasBar) {
    InitShellDialog(dialog);
  }
  // The controls show the table's settings even when the bar is missing: OK applies
  // whatever the dialog shows, so boxes left clear would turn sounds and ClearType
  // off behind the player's back.
  SetCheck(dialog, IDC_PLAY_SOUNDS, table.playSounds);
  SetCheck(dialog, IDC_CLEARTYPE, table.useClearType);
  for (const DeckChoice &choice : DeckChoices) {
    if (choice.decks == table.deckCount) {
      SetCheck(dialog, choice.control, true);
    }
  }
  return hasBar ? TRUE : FALSE;
}

// A deck count the dialog cannot show (none of the radio buttons checked) stays as it is.
void ApplyOptions(HWND dialog, GameTable &table) {
  table.playSounds = IsChecked(dialog, IDC_PLAY_SOUNDS);
  table.useClearType = IsChecked(dialog, IDC_CLEARTYPE);
  table.previousDeckCount = table.deckCount;
  for (const DeckChoice &choice : DeckChoices) {
    if (SendDlgItemMessageW(dialog, choice.control, BM_GETCHECK, 0, 0) != 0) {
      table.deckCount = choice.decks;
      break;
    }
  }
  // A shoe of another size is a new game; the other settings leave the hand alone.
  if (table.previousDeckCount != table.deckCount) {
    table.NewGame();
  }
}

bool IsOk(UINT message, WPARAM wParam) { return message == WM_COMMAND && LOWORD(wParam) == IDOK; }

} // namespace

BOOL CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    return InitAbout(dialog);
  }
  if (IsOk(message, wParam)) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}

BOOL CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  // The table can be gone while the dialog is open, when the game is closed from
  // outside; the dialog then only closes.
  GameTable *table = Shell().table.get();
  if (message == WM_INITDIALOG || message == WM_CREATE) {
    return table != nullptr ? InitOptions(dialog, *table) : FALSE;
  }
  if (IsOk(message, wParam)) {
    if (table != nullptr) {
      ApplyOptions(dialog, *table);
    }
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}
