// A long run through the real window procedure: thousands of timer ticks in the snapshot mode,
// hundreds of double clicks, thousands of ticks in the layered mode, each frame painted. The
// process's GDI objects and private memory must stay flat: the same at the end of each mode
// as after its first few hundred ticks, within a small margin.
//
// GDI objects are counted by GetGuiResources on Windows. Wine returns 0 there; the 64-bit Wine
// keeps the process's own GDI handle table in the PEB, and its live entries are counted
// instead (on Windows the table there is the whole session's, so it is read under Wine alone).
// Where no count exists (32-bit Wine), handle values are compared: a probe bitmap made at each
// checkpoint takes the slot freed last, which a balanced frame leaves the same and a leaking
// frame moves on.

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include "app/globals.h"
#include "app/start_routine.h"
#include "pictures/image_set.h"
#include "render/frame.h"
#include "render/surfaces.h"
#include "shell/overlay_window.h"
#include "shell/popup_menu.h"
#include "simulation/petal_field.h"
#include "simulation/petal_spawning.h"

#include "tests/windows/under_wine.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int WARM_UP_TICKS = 300;
constexpr int SNAPSHOT_TICKS = 5000;
constexpr int DOUBLE_CLICKS = 300;
constexpr int LAYERED_TICKS = 2000;
// A small overlay keeps each frame cheap, so the whole run takes about a minute.
constexpr std::int32_t OVERLAY_WIDTH = 400;
constexpr std::int32_t OVERLAY_HEIGHT = 300;
constexpr SIZE_T MEMORY_MARGIN = 512 * 1024;
constexpr long GDI_MARGIN = 2;

// One entry of the GDI handle table as the 64-bit Wine lays it out.
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
constexpr int GDI_HANDLE_TABLE_SIZE = 0x10000;

const GdiHandleEntry* GdiHandleTable() {
    if (sizeof(void*) != 8) {
        return nullptr;
    }
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
        return nullptr;
    }
    // GdiSharedHandleTable, at its place in the 64-bit PEB.
    const auto* peb = reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress);
    return *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0xF8);
}

// Live GDI objects of this process, or -1 when no count is available (32-bit Wine).
long GdiObjectCount() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0 || !RunsUnderWine()) {
        return static_cast<long>(reported);
    }
    const GdiHandleEntry* table = GdiHandleTable();
    if (table == nullptr) {
        return -1;
    }
    long live = 0;
    for (int i = 0; i < GDI_HANDLE_TABLE_SIZE; ++i) {
        live += table[i].type != 0 ? 1 : 0;
    }
    return live;
}

// The slot of the GDI handle table that a new object takes now, its generation left out; the
// object is deleted at once. It stands in for a count only under Wine, which hands out the slot
// freed last: Windows' table is shared by the whole session, whose other processes may take
// the slot between two probes.
std::uintptr_t ProbeHandle() {
    const HBITMAP probe = CreateBitmap(1, 1, 1, 32, nullptr);
    DeleteObject(probe);
    return reinterpret_cast<std::uintptr_t>(probe) & 0xFFFF;
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    // Wine fills only the commit charge; Windows gives both, the same.
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

struct Usage {
    long gdiObjects;
    std::uintptr_t probeHandle;
    SIZE_T privateBytes;
};

Usage Measure() {
    const long gdiObjects = GdiObjectCount();
    return Usage{gdiObjects, gdiObjects < 0 ? ProbeHandle() : 0, PrivateBytes()};
}

// Handles whatever the sent messages left queued (paints, posted commands), as the message
// loop would.
void PumpMessages() {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// One tick of the overlay's timer, and the paint it asks for, handled with the queue.
void Tick() {
    SendMessageA(overlayWindow, WM_TIMER, OVERLAY_TIMER_ID, 0);
    PumpMessages();
}

void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
        Tick();
    }
}

void ExpectFlat(const Usage& early, const Usage& late, const char* phase) {
    if (early.gdiObjects >= 0) {
        EXPECT_LE(late.gdiObjects, early.gdiObjects + GDI_MARGIN) << phase << ": GDI objects";
    } else {
        EXPECT_EQ(late.probeHandle, early.probeHandle) << phase << ": a new GDI object's slot";
    }
    EXPECT_LE(late.privateBytes, early.privateBytes + MEMORY_MARGIN) << phase << ": private bytes";
}

class SoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateGlobals();
        PrepareSurfaces();
        screenWidth = OVERLAY_WIDTH;
        screenHeight = OVERLAY_HEIGHT;
        LoadImageSet();
        ScatterPetals();
        CreateOverlayWindow();
        // The test drives every tick itself.
        KillTimer(overlayWindow, OVERLAY_TIMER_ID);
        ComposeFrame();
        PumpMessages();
    }
};

TEST_F(SoakTest, GdiObjectsAndMemoryStayFlatThroughBothModes) {
    ASSERT_NE(overlayWindow, nullptr);

    Ticks(WARM_UP_TICKS);
    const Usage snapshotEarly = Measure();
    Ticks(SNAPSHOT_TICKS - WARM_UP_TICKS);
    ExpectFlat(snapshotEarly, Measure(), "snapshot mode");

    for (int i = 0; i < DOUBLE_CLICKS; ++i) {
        const LPARAM point = MAKELPARAM((i * 37) % OVERLAY_WIDTH, (i * 53) % OVERLAY_HEIGHT);
        SendMessageA(overlayWindow, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        Tick();
    }
    // The double-clicked petals have fallen off again; the field is back to its twenty.
    Ticks(OVERLAY_HEIGHT / FALL_PER_TICK + 100);
    EXPECT_EQ(petals->size(), static_cast<std::size_t>(PETAL_POPULATION));

    SendMessageA(overlayWindow, WM_COMMAND, CMD_CLICK_THROUGH, 0);
    ASSERT_EQ(layeredMode, 1);
    Ticks(WARM_UP_TICKS);
    const Usage layeredEarly = Measure();
    Ticks(LAYERED_TICKS - WARM_UP_TICKS);
    ExpectFlat(layeredEarly, Measure(), "layered mode");

    // The run still ends the ordinary way.
    PostMessageA(overlayWindow, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(overlayWindow));
    ReleaseGlobals();
}

TEST(GdiObjectCountTest, FollowsObjectsMadeAndDeleted) {
    const long before = GdiObjectCount();
    if (before < 0) {
        GTEST_SKIP() << "no GDI object count here; the soak test compares handle values";
    }
    HBITMAP made[50];
    for (HBITMAP& bitmap : made) {
        bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    }
    EXPECT_EQ(GdiObjectCount(), before + 50);
    for (HBITMAP bitmap : made) {
        DeleteObject(bitmap);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(ProbeHandleTest, MovesOnWhenAnObjectIsLeaked) {
    if (GdiObjectCount() >= 0) {
        GTEST_SKIP() << "GDI objects are counted here, so the soak test needs no probe; it "
                        "stands in only where no count exists (32-bit Wine)";
    }
    const std::uintptr_t before = ProbeHandle();
    EXPECT_EQ(ProbeHandle(), before);
    const HBITMAP leaked = CreateBitmap(1, 1, 1, 32, nullptr);
    EXPECT_NE(ProbeHandle(), before);
    DeleteObject(leaked);
}

} // namespace
