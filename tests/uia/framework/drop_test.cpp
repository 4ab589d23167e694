// Files dropped on a real window (a DROPFILES block built here and sent as WM_DROPFILES), and drag
// tracking seen through the window's own mouse and key messages: accepting and refusing targets,
// a target that stops accepting, Esc ending a drag.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "UIACursors.h"
#include "support/tempDir.h"
#include "uiaTestSupport.h"

namespace {

// A plain top-level window whose listener accepts drags while `accept` is set and records the
// drag events.
class DropWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code >= 1300 && code <= 1304) codes.push_back(code);
    if (code == UIA_EVENT_DRAG_OVER) {
      UiaTrackingState* state = static_cast<UiaTrackingState*>(data);
      overPoints.push_back(POINT{state->x, state->y});
      if (!accept) return false;
      state->target = this;
      return true;
    }
    if (code == UIA_EVENT_DROP) {
      const UiaDropEvent* drop = static_cast<UiaDropEvent*>(data);
      dropKind = drop->dataKind;
      if (const UiaFileList* files = dynamic_cast<const UiaFileList*>(drop->data)) dropped = files->paths;
    }
    if (code == UIA_EVENT_KEY_DOWN) ++keys;
    return false;
  }
  std::vector<int32_t> codes;
  std::vector<POINT> overPoints;
  std::vector<Path> dropped;
  uint32_t dropKind = 0;
  int keys = 0;
  bool accept = true;
};

void createWindow(DropWindow& window, int x, int y) {
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
  spec.rect = RECT{x, y, x + 200, y + 120};
  window.create(spec);
  window.show(true);
}

// A DROPFILES block in global memory with the names (ANSI) and the drop point; the window's
// handling releases it.
HGLOBAL dropBlock(const std::vector<std::string>& names, POINT point) {
  size_t bytes = sizeof(DROPFILES) + 2;  // the list ends with an empty name
  for (const std::string& name : names) bytes += name.size() + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  char* base = static_cast<char*>(GlobalLock(block));
  DROPFILES header = {};
  header.pFiles = sizeof(DROPFILES);
  header.pt = point;
  header.fNC = FALSE;
  header.fWide = FALSE;
  std::memcpy(base, &header, sizeof header);
  char* p = base + sizeof(DROPFILES);
  for (const std::string& name : names) {
    std::memcpy(p, name.c_str(), name.size() + 1);
    p += name.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

LRESULT sendDrop(HWND hwnd, const std::vector<std::string>& names, POINT point) {
  return SendMessageA(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(dropBlock(names, point)), 0);
}

std::string tempFolder() {
  std::string folder = testTempDir();
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

}  // namespace

TEST(UiaFileDrop, FilesAndAFolderArriveAsOneDropInOrder) {
  runInApplication([&](RecordingApplication&) {
    const std::string a = testTempPath("first.glo"), b = testTempPath("second.wav"), folder = tempFolder();
    std::ofstream(a) << "a";
    std::ofstream(b) << "b";
    DropWindow window;
    createWindow(window, 140, 160);
    HWND hwnd = window.nativeHandle();

    // Without a window style flag the message is only answered.
    if (uiaWindowStyleFlags() == 0) {
      EXPECT_EQ(sendDrop(hwnd, {a}, POINT{5, 5}), 1);
      EXPECT_TRUE(window.codes.empty());
    }
    EXPECT_NE(uiaSetWindowStyleFlags(UIA_DRAG_FILES) & UIA_DRAG_FILES, 0u);
    window.platformWindow()->acceptDrops(UIA_DRAG_FILES);
    EXPECT_NE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

    EXPECT_EQ(sendDrop(hwnd, {a, b, folder}, POINT{30, 40}), 1);
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300, 1301, 1304}));
    EXPECT_EQ(window.dropKind, UIA_DRAG_FILES);
    ASSERT_EQ(window.overPoints.size(), 1u);
    EXPECT_EQ(window.overPoints[0].x, 30);
    EXPECT_EQ(window.overPoints[0].y, 40);
    ASSERT_EQ(window.dropped.size(), 3u);
    EXPECT_EQ(window.dropped[0].fullPath(), a);
    EXPECT_EQ(window.dropped[0].kind(), kPathFile);
    EXPECT_EQ(window.dropped[1].fullPath(), b);
    EXPECT_EQ(window.dropped[1].kind(), kPathFile);
    EXPECT_EQ(window.dropped[2].kind(), kPathDirectory);
    EXPECT_FALSE(uiaTrackingActive());

    // A refusing target: asked, then nothing more.
    window.codes.clear();
    window.accept = false;
    EXPECT_EQ(sendDrop(hwnd, {a}, POINT{10, 10}), 1);
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300}));
    EXPECT_FALSE(uiaTrackingActive());
    window.destroy();
  });
}

TEST(UiaFileDrop, OddBlocksEmptyLongAndMissingNames) {
  runInApplication([&](RecordingApplication&) {
    uiaSetWindowStyleFlags(UIA_DRAG_FILES);
    DropWindow window;
    createWindow(window, 160, 180);
    HWND hwnd = window.nativeHandle();
    const std::string longName = "C:\\" + std::string(1996, 'n') + ".glo";  // 2,000 characters
    const std::string missing = testTempPath("missing-folder-or-file");
    struct Case {
      const char* name;
      std::vector<std::string> names;
      std::vector<int> kinds;
    };
    const Case cases[] = {
        {"no items", {}, {}},
        {"a 2,000-character name", {longName}, {kPathFile}},
        {"a missing name is a file", {missing}, {kPathFile}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      window.codes.clear();
      window.dropped.clear();
      EXPECT_EQ(sendDrop(hwnd, c.names, POINT{1, 1}), 1);
      EXPECT_EQ(window.codes, (std::vector<int32_t>{1300, 1301, 1304}));
      ASSERT_EQ(window.dropped.size(), c.names.size());
      for (size_t i = 0; i < c.names.size(); ++i) {
        EXPECT_EQ(window.dropped[i].fullPath(), c.names[i]);
        EXPECT_EQ(window.dropped[i].kind(), c.kinds[i]);
      }
    }
    window.destroy();
  });
}

TEST(UiaDragTracking, ATargetThatStopsAcceptingHearsItLeftAndEscEndsADrag) {
  runInApplication([&](RecordingApplication&) {
    DropWindow window;
    createWindow(window, 180, 200);
    HWND hwnd = window.nativeHandle();
    UiaFileList* data = new UiaFileList;
    data->paths.push_back(Path("C:\\x.glo"));

    UiaTrackingRequest request = {};
    request.mode = UIA_TRACK_CAPTURE;
    request.dataKind = UIA_DRAG_FILES;
    request.sourceWindow = &window;
    request.data = data;
    request.ownsData = 1;  // deleted by the end of the tracking
    uiaStartTracking(request);
    EXPECT_EQ(GetCapture(), hwnd);
    // Moves arrive as the window's own mouse messages and are taken by the tracking.
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(uiaTrackingState()->target, &window);
    window.accept = false;
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(25, 22));
    EXPECT_EQ(uiaTrackingState()->target, nullptr);
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300, 1300, 1303}));
    // A release without a target drops nothing; the end is still told.
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(25, 22));
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300, 1300, 1303, 1304}));
    EXPECT_FALSE(uiaTrackingActive());
    EXPECT_NE(GetCapture(), hwnd);

    // Esc: the tracking ends without a drop and the window never sees the key.
    window.codes.clear();
    window.accept = true;
    request.data = new UiaFileList;
    uiaStartTracking(request);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_FALSE(uiaTrackingActive());
    EXPECT_EQ(window.keys, 0);
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300}));
    // Afterwards the key reaches the window again.
    SendMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(window.keys, 1);
    window.destroy();
  });
}

TEST(UiaDragTracking, AHoverDragEndsOnceNoButtonIsHeld) {
  runInApplication([&](RecordingApplication&) {
    DropWindow window;
    createWindow(window, 200, 220);
    UiaTrackingRequest request = {};
    request.mode = UIA_TRACK_HOVER;
    request.dataKind = UIA_DRAG_FILES;
    request.sourceWindow = &window;
    uiaStartTracking(request);
    EXPECT_TRUE(uiaIsTracking());
    // The source shows the framework's hand while the drag starts.
    EXPECT_EQ(static_cast<Win32WindowBase*>(window.platformWindow())->cursor(), uiaCursor(kCursorHand));
    // No button is held on this display: the first move ends the drag without asking anyone.
    EXPECT_TRUE(uiaTrackMove(&window, POINT{10, 10}));
    EXPECT_FALSE(uiaIsTracking());
    EXPECT_FALSE(uiaTrackingActive());
    EXPECT_TRUE(window.codes.empty());
    EXPECT_EQ(static_cast<Win32WindowBase*>(window.platformWindow())->cursor(), nullptr);
    window.destroy();
  });
}

namespace {

// A drag source that hands over different data and a flag when asked, and records what it hears.
class SourceListener : public EventListener {
 public:
  bool handleEvent(int32_t code, void* data) override {
    codes.push_back(code);
    if (code == UIA_EVENT_DRAG_DATA) {
      UiaDragNote* note = static_cast<UiaDragNote*>(data);
      note->data = replacement;
      note->flag = 1;
      return true;
    }
    return false;
  }
  std::vector<int32_t> codes;
  UiaDragData* replacement = nullptr;
};

class FlagWindow : public DropWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_DROP) {
      dropFlag = static_cast<UiaDropEvent*>(data)->flag;
      dropData = static_cast<UiaDropEvent*>(data)->data;
    }
    return DropWindow::handleEvent(code, data);
  }
  uint32_t dropFlag = 0;
  UiaDragData* dropData = nullptr;
};

}  // namespace

TEST(UiaDragTracking, TheSourceIsAskedBeforeTheDropAndToldTheEnd) {
  runInApplication([&](RecordingApplication&) {
    FlagWindow window;
    createWindow(window, 220, 240);
    HWND hwnd = window.nativeHandle();
    UiaFileList original, replacement;
    SourceListener source;
    source.replacement = &replacement;
    UiaTrackingRequest request = {};
    request.mode = UIA_TRACK_CAPTURE;
    request.dataKind = UIA_DRAG_FILES;
    request.sourceWindow = &window;
    request.sourceListener = &source;
    request.data = &original;
    uiaStartTracking(request);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));  // taken and ignored
    EXPECT_TRUE(uiaTrackingActive());
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    EXPECT_EQ(window.codes, (std::vector<int32_t>{1300, 1301, 1304}));
    EXPECT_EQ(source.codes, (std::vector<int32_t>{1302, 1304}));
    EXPECT_EQ(window.dropData, &replacement);
    EXPECT_EQ(window.dropFlag, 1u);
    EXPECT_FALSE(uiaTrackingActive());
    window.destroy();
  });
}
