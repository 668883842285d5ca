#include "rudozav/frames/CaptionSettings.h"

#include <algorithm>
#include <cstring>

#include "gdi/Gdi.h"
#include "rudozav/core/ComponentState.h"

namespace {

// The caption buffer keeps one byte for the terminating zero.
constexpr std::size_t kCaptionBytes =
    std::tuple_size_v<decltype(TRavorOdeririState::textBuffer)> - 1;

// Bytes of text that fit the buffer without splitting a UTF-8 sequence.
std::size_t CaptionLength(const std::string& text) {
  std::size_t length = std::min(text.size(), kCaptionBytes);
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  return length;
}

void CopyText(TRavorOderiri& component, TGrabberControl& record) {
  TRavorOdeririState& state = component.State();
  const std::string& text = component.TextOnFrameString();
  const std::size_t length = CaptionLength(text);
  std::memcpy(state.textBuffer.data(), text.data(), length);
  state.textBuffer[length] = '\0';
  record.Text = state.textBuffer.data();
  record.TextLength = static_cast<LONG>(length);
}

void CopyLayout(TRavorOderiri& component, TGrabberControl& record) {
  const TRavorOdeririState& state = component.State();
  const int margin = component.TextOnFrameMargin();
  SetRect(&record.TextRect, margin, margin, state.graph->connectedVideoWidth - 2 * margin,
          state.graph->connectedVideoHeight - 2 * margin);
  record.TextColor = CaptionColor(component.TextOnFrameFont().Color);
  record.TextFont = CaptionLogFont(component.TextOnFrameFont());
  record.TextFormat = static_cast<UINT>(component.TextOnFrameDTFormat());
}

}  // namespace

LOGFONT CaptionLogFont(const TFont& font) {
  LOGFONT logFont;
  logFont.lfHeight = font.Height;
  logFont.lfWeight = (font.Style & fsBold) != 0 ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = (font.Style & fsItalic) != 0 ? 1 : 0;
  logFont.lfUnderline = (font.Style & fsUnderline) != 0 ? 1 : 0;
  logFont.lfStrikeOut = (font.Style & fsStrikeOut) != 0 ? 1 : 0;
  logFont.lfCharSet = font.Charset;
  const std::size_t length = std::min<std::size_t>(font.Name.size(), LF_FACESIZE - 1);
  std::memcpy(logFont.lfFaceName, font.Name.data(), length);
  logFont.lfFaceName[length] = '\0';
  return logFont;
}

COLORREF CaptionColor(TColor color) {
  if (color >= 0) return static_cast<COLORREF>(color) & 0x00FFFFFF;
  // System colours: text colours are black, faces and windows light.
  switch (static_cast<std::uint32_t>(color) & 0xFF) {
    case 0x05:  // window
    case 0x0E:  // highlight text
      return RGB(255, 255, 255);
    case 0x0F:  // button face
      return RGB(240, 240, 240);
    default:
      return RGB(0, 0, 0);
  }
}

void HandOverCaption(TRavorOderiri& component, TGrabberControl& record) {
  TRavorOdeririState& state = component.State();
  const bool enabled = component.TextOnFrameEnabled();
  record.TextEnabled.store(enabled ? 1 : 0);
  if (!enabled) return;
  // Raise our flag before looking at the filter's: a frame being drawn keeps the old settings,
  // and the next frame event hands them over.
  record.ComponentWritingText.store(1);
  if (record.FilterUsingText.load() == 0) {
    if (state.graph->textChanged) CopyText(component, record);
    if (state.layoutChanged) {
      // The layout stays marked, so it follows the video size at every frame event.
      CopyLayout(component, record);
      state.graph->textChanged = false;
    }
  }
  record.ComponentWritingText.store(0);
}
