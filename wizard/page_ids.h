// Dialog template ids of the wizard pages; a page returns one of them to make
// the sheet jump to that page. There is no page 102.
#pragma once

enum PageId {
  kLicencePage = 101,
  kFolderPage = 103,
  kShortcutsPage = 104,
};

// Page results besides the page ids.
const int kGoOn = 0;
const int kStayOnPage = -1;
