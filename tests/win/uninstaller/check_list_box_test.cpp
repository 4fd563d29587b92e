// The check list on a real owner-drawn list box in a window of its own: what ticks an
// item, what the parent hears, what stays with the items.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/appkit/check_list_box.h"

namespace appkit {
namespace {

constexpr int kListId = 1006;

struct Host {
    HWND parent = nullptr;
    HWND list = nullptr;
    CheckListBox checks;
    std::vector<int> notifications;  // the item ticked state of item 0 at each notice
    int drawn = 0;
};
Host* g_host = nullptr;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_host && message == WM_COMMAND && LOWORD(wParam) == kListId &&
        HIWORD(wParam) == CLBN_CHKCHANGE) {
        g_host->notifications.push_back(static_cast<int>(reinterpret_cast<HWND>(lParam) == g_host->list));
        return 0;
    }
    if (g_host && message == WM_DRAWITEM &&
        g_host->checks.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
        ++g_host->drawn;
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class CheckListTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CheckListTestParent";
        RegisterClassA(&wc);
        g_host = &host_;
        host_.parent = CreateWindowA("CheckListTestParent", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                     0, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(host_.parent, nullptr);
        host_.list = CreateWindowA("ListBox", "",
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_SORT | LBS_NOTIFY |
                                       LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                                   10, 10, 300, 200, host_.parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), wc.hInstance,
                                   nullptr);
        ASSERT_NE(host_.list, nullptr);
        host_.checks.Attach(host_.list);
        for (const char* name : {"KYR POS 730(#1)", "KYR POS 730", "Another"})
            host_.checks.AddString(name);
    }
    void TearDown() override {
        DestroyWindow(host_.parent);
        g_host = nullptr;
    }
    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    LPARAM PointIn(int index, int xFromLeft) {
        RECT r;
        SendMessageA(host_.list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        return MAKELPARAM(r.left + xFromLeft, (r.top + r.bottom) / 2);
    }
    void Click(int index, int xFromLeft) {
        LPARAM at = PointIn(index, xFromLeft);
        SendMessageA(host_.list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(host_.list, WM_LBUTTONUP, 0, at);
    }
    std::vector<bool> Ticks() {
        std::vector<bool> ticks;
        for (int i = 0; i < host_.checks.Count(); ++i) ticks.push_back(host_.checks.IsChecked(i));
        return ticks;
    }
    Host host_;
};

TEST_F(CheckListTest, ItemsAreSortedAndStartUnticked) {
    ASSERT_EQ(host_.checks.Count(), 3);
    EXPECT_EQ(host_.checks.Text(0), "Another");
    EXPECT_EQ(host_.checks.Text(1), "KYR POS 730");
    EXPECT_EQ(host_.checks.Text(2), "KYR POS 730(#1)");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    // Every item is tall enough for its box.
    EXPECT_GE(SendMessageA(host_.list, LB_GETITEMHEIGHT, 0, 0), 15);
}

TEST_F(CheckListTest, WhatTicksAnItem) {
    const struct {
        const char* how;
        int index;
        int x;  // from the item's left edge; -1: Space on the selection
        bool ticks;
    } cases[] = {
        {"click on the box", 1, 6, true},
        {"click at the very left", 2, 0, true},
        {"click on the text", 0, 60, false},
        {"click right of the box margin", 1, 17, false},
        {"space on the selection", 2, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        host_.notifications.clear();
        for (int i = 0; i < 3; ++i) host_.checks.SetChecked(i, false);
        if (c.x < 0) {
            SendMessageA(host_.list, LB_SETCURSEL, c.index, 0);
            SendMessageA(host_.list, WM_KEYDOWN, VK_SPACE, 1);
            SendMessageA(host_.list, WM_CHAR, ' ', 1);
            SendMessageA(host_.list, WM_KEYUP, VK_SPACE, 0xC0000001);
        } else {
            Click(c.index, c.x);
        }
        std::vector<bool> expected(3, false);
        expected[c.index] = c.ticks;
        EXPECT_EQ(Ticks(), expected);
        EXPECT_EQ(host_.notifications.size(), c.ticks ? 1u : 0u);
        // The click selects the item as in any list; Space keeps the selection.
        EXPECT_EQ(SendMessageA(host_.list, LB_GETCURSEL, 0, 0), c.index);
    }
}

TEST_F(CheckListTest, SecondClickUnticksAndBothAreHeard) {
    Click(1, 6);
    Click(1, 6);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(host_.notifications, (std::vector<int>{1, 1}));
}

TEST_F(CheckListTest, DoubleClickOnTheTextTicks) {
    LPARAM at = PointIn(0, 60);
    SendMessageA(host_.list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(host_.list, WM_LBUTTONUP, 0, at);
    SendMessageA(host_.list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(host_.list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false}));
}

TEST_F(CheckListTest, ClickBelowTheLastItemTicksNothing) {
    RECT last;
    SendMessageA(host_.list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
    SendMessageA(host_.list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, last.bottom + 20));
    SendMessageA(host_.list, WM_LBUTTONUP, 0, MAKELPARAM(6, last.bottom + 20));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(host_.notifications.empty());
}

TEST_F(CheckListTest, TicksSetByTheProgramAreSilentAndFollowTheirItems) {
    host_.checks.SetChecked(1, true);
    EXPECT_TRUE(host_.notifications.empty());
    // A new item sorted in before a ticked one moves the tick along with its item.
    host_.checks.AddString("ABC");
    EXPECT_EQ(host_.checks.Text(2), "KYR POS 730");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true, false}));
    // Indexes outside the list are ignored.
    host_.checks.SetChecked(7, true);
    host_.checks.SetChecked(-1, true);
    EXPECT_FALSE(host_.checks.IsChecked(7));
}

TEST_F(CheckListTest, ItemsAreDrawnThroughTheParent) {
    UpdateWindow(host_.parent);
    InvalidateRect(host_.list, nullptr, TRUE);
    UpdateWindow(host_.list);
    Pump();
    EXPECT_GE(host_.drawn, 3);
}

TEST_F(CheckListTest, ListIsReleasedWithItsWindow) {
    DestroyWindow(host_.list);
    EXPECT_EQ(host_.checks.Window(), nullptr);
    EXPECT_EQ(host_.checks.Count(), 0);
    EXPECT_FALSE(host_.checks.IsChecked(0));
}

}  // namespace
}  // namespace appkit
