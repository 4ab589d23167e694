// What widgets need of the system beyond windows: the size of one wheel notch and plain text on the
// clipboard (CF_TEXT, no owner window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The wheel delta of one notch.
int32_t nglWheelStep();
// Opens the clipboard (no owner window), trying again for up to half a second while another process
// holds it: Wine's X11 side opens it for a moment after every change, longer on a busy machine.
bool nglOpenClipboard();
// Puts text and its terminating zero on the clipboard as CF_TEXT.
bool nglCopyText(const std::string& text);
// Replaces the clipboard's content by size bytes in the given format. False (and nothing held) when
// the memory block, the clipboard or the hand-over fails.
bool nglSetClipboardData(uint32_t format, const void* bytes, size_t size);
// The clipboard's text up to its first zero, carriage returns removed, into text. False (text
// unchanged) when there is no text or the clipboard cannot be opened or read.
bool nglPasteText(std::string& text);
bool nglClipboardHasText();
