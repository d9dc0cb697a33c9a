#pragma once
// Composing frames in the two display modes, and painting the overlay from the frame surface.

#include <windows.h>

#include "simulation/platform_hooks.h"

#include <cstdint>

// 0 in the snapshot mode; set to 1, for good, by the click-through command.
extern std::int32_t layeredMode;

// Petals alone on a transparent 32-bit surface with per-pixel alpha, handed to the layered
// window. Every object it makes is released before it returns.
void ComposeLayeredFrame();

// Draws every petal, in list order, into a bottom-up 32-bit surface of premultiplied
// colour and alpha, width by height pixels; clips what lies outside it. Does nothing for
// null bits or an empty size.
void DrawPetalsOnPixels(void* bits, std::int32_t width, std::int32_t height);

// Copies the whole frame surface to a device context of the overlay, at the screen origin.
void CopyFrameTo(HDC target);
