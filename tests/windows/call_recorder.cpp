// Takes the place of the imports of UpdateLayeredWindow and ChangeWindowMessageFilterEx,
// recording every call before passing it on. Linked only into test programs.

#include <windows.h>

#include "tests/windows/call_recorder.h"

#include "tests/windows/import_seam.h"

#include <cstddef>
#include <utility>

namespace {

std::vector<call_recorder::LayeredUpdate> layeredUpdates;
std::vector<call_recorder::MessageFilterChange> messageFilterChanges;

// The source's pixels as the layered window will read them, if it holds a 32-bit DIB section.
void ReadSource(HDC source, call_recorder::LayeredUpdate& update) {
    DIBSECTION dib{};
    const HGDIOBJ bitmap = GetCurrentObject(source, OBJ_BITMAP);
    update.sourceIsDib32 = GetObjectA(bitmap, sizeof(dib), &dib) == sizeof(dib) &&
                           dib.dsBm.bmBitsPixel == 32 && dib.dsBm.bmBits != nullptr &&
                           dib.dsBm.bmWidth >= update.size.cx &&
                           dib.dsBm.bmHeight >= update.size.cy;
    if (!update.sourceIsDib32) {
        return;
    }
    GdiFlush();
    const bool bottomUp = dib.dsBmih.biHeight > 0;
    const auto* bits = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    for (LONG y = 0; y < update.size.cy; ++y) {
        const LONG row = bottomUp ? dib.dsBm.bmHeight - 1 - y : y;
        const std::uint32_t* first = bits + static_cast<std::size_t>(row) * dib.dsBm.bmWidth;
        update.pixels.insert(update.pixels.end(), first, first + update.size.cx);
    }
}

BOOL WINAPI RecordLayeredUpdate(HWND window, HDC destination, POINT* destinationPoint, SIZE* size,
                                HDC source, POINT* sourcePoint, COLORREF colourKey,
                                BLENDFUNCTION* blend, DWORD flags) {
    call_recorder::LayeredUpdate update{};
    update.window = window;
    update.movesWindow = destinationPoint != nullptr;
    update.size = size != nullptr ? *size : SIZE{};
    update.hasSourcePoint = sourcePoint != nullptr;
    update.sourcePoint = sourcePoint != nullptr ? *sourcePoint : POINT{};
    update.blend = blend != nullptr ? *blend : BLENDFUNCTION{};
    update.flags = flags;
    ReadSource(source, update);
    layeredUpdates.push_back(std::move(update));
    static const auto real =
        import_seam::Real<decltype(&UpdateLayeredWindow)>("user32.dll", "UpdateLayeredWindow");
    return real(window, destination, destinationPoint, size, source, sourcePoint, colourKey, blend,
                flags);
}

BOOL WINAPI RecordMessageFilterChange(HWND window, UINT message, DWORD action,
                                      PCHANGEFILTERSTRUCT changeInfo) {
    messageFilterChanges.push_back({window, message, action});
    static const auto real = import_seam::Real<decltype(&ChangeWindowMessageFilterEx)>(
        "user32.dll", "ChangeWindowMessageFilterEx");
    return real(window, message, action, changeInfo);
}

} // namespace

REPLACE_IMPORT(UpdateLayeredWindow, 36, RecordLayeredUpdate);
REPLACE_IMPORT(ChangeWindowMessageFilterEx, 16, RecordMessageFilterChange);

namespace call_recorder {

const std::vector<LayeredUpdate>& LayeredUpdates() {
    return layeredUpdates;
}

const std::vector<MessageFilterChange>& MessageFilterChanges() {
    return messageFilterChanges;
}

void Clear() {
    layeredUpdates.clear();
    messageFilterChanges.clear();
}

} // namespace call_recorder
