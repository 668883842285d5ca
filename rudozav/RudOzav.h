#pragma once
// RudOzav: the capture component TRavorOderiri. Hosts include this header only.
//
// Contract: a published property Name has the getter Name() and the setter SetName(); a read-only
// query has the getter only. Events are public std::function members that fire only when
// assigned; Sender is the component (null where stated). Lists handed to the host are one string
// with "\r\n" between entries. Streaming stored values is: construct, set properties, Loaded().
//
// Everything here runs on the UI thread. Process start-up and finalisation (RudOzavProcessStartup,
// RudOzavProcessFinalization or the guard TRudOzavProcess) surround the life of every component.

#include <QFrame>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "com/HResult.h"
#include "ui/Cursor.h"

class QImage;
struct AM_MEDIA_TYPE;
class TRavorOderiri;
struct TRavorOdeririState;
struct TDeferredOperation;  // rudozav/core/DeferredOperation.h
enum TGraphMode : int;      // rudozav/core/GraphMode.h

// ---- Enumerations of the component ---------------------------------------------------------

enum TAutoFileName { fn_Sequential, fn_DateTime };
enum TFrameCaptureDest { fc_TBitmap, fc_BmpFile, fc_JpegFile };
enum TFrameInfoMethod { fim_None, fim_Polling, fim_FrameEvent };
enum TCompressionMode { cm_NoCompression, cm_CompressOnTheFly, cm_CompressAfterCapture };
enum TCompressionType { ct_Video, ct_Audio, ct_AudioVideo };
enum TDVCaptureMode { dv_CaptureType1, dv_CaptureType2 };
enum TDeinterlacer { di_None, di_HalfSize, di_DSCALER };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TAudioFormat {
  af_default,
  af_8000_8b_1ch,
  af_8000_8b_2ch,
  af_8000_16b_1ch,
  af_8000_16b_2ch,
  af_11025_8b_1ch,
  af_11025_8b_2ch,
  af_11025_16b_1ch,
  af_11025_16b_2ch,
  af_22050_8b_1ch,
  af_22050_8b_2ch,
  af_22050_16b_1ch,
  af_22050_16b_2ch,
  af_44100_8b_1ch,
  af_44100_8b_2ch,
  af_44100_16b_1ch,
  af_44100_16b_2ch
};
// The graph state.
enum TCurrentState { cs_Down, cs_Preview, cs_Capture, cs_Player, cs_Recompress };

// JPEG quality factor, 1..100.
using TJPEGQualityRange = int;

// A set of graph states.
class TCurrentStates {
 public:
  constexpr TCurrentStates() = default;
  constexpr TCurrentStates(std::initializer_list<TCurrentState> states) {
    for (TCurrentState state : states)
      Include(state);
  }
  constexpr bool Contains(TCurrentState state) const { return (bits_ & Bit(state)) != 0; }
  constexpr TCurrentStates& Include(TCurrentState state) {
    bits_ = static_cast<std::uint8_t>(bits_ | Bit(state));
    return *this;
  }
  constexpr TCurrentStates& Exclude(TCurrentState state) {
    bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(state));
    return *this;
  }
  friend constexpr bool operator==(TCurrentStates, TCurrentStates) = default;

 private:
  static constexpr std::uint8_t Bit(TCurrentState state) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(state));
  }
  std::uint8_t bits_ = 0;
};

// ---- Types of the toolkit's panel ----------------------------------------------------------

// A colour as $00BBGGRR; values with the top bit set name system colours.
using TColor = std::int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

enum TBorderStyle { bsNone, bsSingle };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and mouse buttons held during a mouse event.
using TShiftState = std::uint8_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 0x01;
inline constexpr TFontStyles fsItalic = 0x02;
inline constexpr TFontStyles fsUnderline = 0x04;
inline constexpr TFontStyles fsStrikeOut = 0x08;

// A font description: a negative Height is the character height in pixels, a positive one the
// cell height.
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  TColor Color = clWindowText;
  TFontStyles Style = 0;
  std::uint8_t Charset = 1;  // DEFAULT_CHARSET

  friend bool operator==(const TFont&, const TFont&) = default;
};

// ---- Records and events --------------------------------------------------------------------

// The grabbed frame handed to OnFrameCaptureCompleted. Bitmap belongs to the component and is
// valid only while the event runs.
struct TFrameData {
  const QImage* Bitmap = nullptr;
  std::int64_t SampleTime = 0;   // 100-ns units
  std::int64_t SampleTime2 = 0;  // 100-ns units
  std::int64_t FrameCount = 0;
};

using TNotifyEvent = std::function<void(TRavorOderiri* Sender)>;
using TOnCaptureCompleted =
    std::function<void(TRavorOderiri* Sender, const std::string& FileName, bool Success)>;
using TOnCaptureProgress = std::function<void(TRavorOderiri* Sender, double SampleTime,
                                              int DeliveredFrames, int DroppedFrames)>;
using TOnCaptureReadyToStart = std::function<void(TRavorOderiri* Sender, bool& OkToStart)>;
using TOnProcessCompleted = std::function<void(TRavorOderiri* Sender, bool Success)>;
using TOnCurrentStateChanging =
    std::function<void(TRavorOderiri* Sender, TCurrentState PreviewState, TCurrentState NewState)>;
using TOnDiscoveringNewDevice =
    std::function<void(TRavorOderiri* Sender, const std::string& DeviceName, bool Done)>;
using TOnErrorLog =
    std::function<void(TRavorOderiri* Sender, int ErrorCode, const std::string& ErrorMsg)>;
using TOnFrameCaptureCompleted =
    std::function<void(TRavorOderiri* Sender, const TFrameData& FrameData,
                       TFrameCaptureDest DestType, const std::string& FileName, bool Success)>;
using TKeyPressEvent = std::function<void(TRavorOderiri* Sender, char& Key)>;
using TOnPlayerFileNotFound =
    std::function<void(TRavorOderiri* Sender, const std::string& FileName)>;
using TOnPlayerProgress =
    std::function<void(TRavorOderiri* Sender, std::int64_t SampleTime, std::int64_t FramePosition)>;
using TOnRawFrameCaptureCompleted = std::function<void(TRavorOderiri* Sender, std::uint8_t* pFrame,
                                                       int FrameSize, AM_MEDIA_TYPE* pmt)>;
using TOnResizeVideo =
    std::function<void(TRavorOderiri* Sender, int FVideoWidth, int FVideoHeight)>;
using TOnTimeCodeReader =
    std::function<void(TRavorOderiri* Sender, int TrackNum, int hh, int mm, int ss, int ff)>;
using TMouseEvent = std::function<void(TRavorOderiri* Sender, TMouseButton Button,
                                       TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TRavorOderiri* Sender, TShiftState Shift, int X, int Y)>;

// ---- Process start-up and finalisation -----------------------------------------------------

// Start-up: takes "log.txt" in the current directory as the process log when it exists, empties
// it and writes the BEGIN block. Finalisation: writes the Finalization block, uninitialises COM,
// frees the device manager and its lists, writes the END block. Call start-up before the first
// component is created and finalisation after the last one is destroyed; a process may run the
// pair more than once.
void RudOzavProcessStartup();
void RudOzavProcessFinalization();

// Calls start-up on construction and finalisation on destruction.
class TRudOzavProcess {
 public:
  TRudOzavProcess() { RudOzavProcessStartup(); }
  ~TRudOzavProcess() { RudOzavProcessFinalization(); }
  TRudOzavProcess(const TRudOzavProcess&) = delete;
  TRudOzavProcess& operator=(const TRudOzavProcess&) = delete;
};

// ---- The component -------------------------------------------------------------------------

class TRavorOderiri : public QFrame {
  Q_OBJECT

 public:
  explicit TRavorOderiri(QWidget* owner = nullptr);
  ~TRavorOderiri() override;
  TRavorOderiri(const TRavorOderiri&) = delete;
  TRavorOderiri& operator=(const TRavorOderiri&) = delete;

  // Design mode: set by a form designer before components are created; setters then only store
  // values, loading and logging do nothing. Process-wide.
  static void SetDesignMode(bool designing);
  static bool DesignMode();

  // The last step of streaming: checks the media framework, selects the video device, starts the
  // preview when AutoStartPreview is set and fires OnComponentLoaded.
  void Loaded();

  // ---- Published properties ----

  bool AutoStartPreview() const { return autoStartPreview_; }
  void SetAutoStartPreview(bool value) { autoStartPreview_ = value; }
  int AudioCompressor() const { return audioCompressor_; }
  void SetAudioCompressor(int value);
  int AudioDevice() const { return audioDevice_; }
  void SetAudioDevice(int value);
  TAudioFormat AudioFormat() const;
  void SetAudioFormat(TAudioFormat value);
  TAutoFileName AutoFileName() const { return autoFileName_; }
  void SetAutoFileName(TAutoFileName value) { autoFileName_ = value; }
  const std::string& AutoFilePrefix() const { return autoFilePrefix_; }
  void SetAutoFilePrefix(const std::string& value);
  bool AutoConnectRelatedPins() const { return autoConnectRelatedPins_; }
  void SetAutoConnectRelatedPins(bool value) { autoConnectRelatedPins_ = value; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool AVI1IndexCompatibility() const { return avi1IndexCompatibility_; }
  void SetAVI1IndexCompatibility(bool value) { avi1IndexCompatibility_ = value; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  int BurstCount() const { return burstCount_; }
  void SetBurstCount(int value);
  int BurstInterval() const { return burstInterval_; }
  void SetBurstInterval(int value);
  bool BurstMode() const { return burstMode_; }
  void SetBurstMode(bool value);
  TFrameCaptureDest BurstType() const { return burstType_; }
  void SetBurstType(TFrameCaptureDest value) { burstType_ = value; }
  TCursor BusyCursor() const { return busyCursor_; }
  void SetBusyCursor(TCursor value) { busyCursor_ = value; }
  bool CaptureAudio() const { return captureAudio_; }
  void SetCaptureAudio(bool value) { captureAudio_ = value; }
  const std::string& CaptureFileExt() const { return captureFileExt_; }
  void SetCaptureFileExt(const std::string& value);
  const std::string& CaptureFileName() const { return captureFileName_; }
  void SetCaptureFileName(const std::string& value);
  TCompressionMode CompressionMode() const { return compressionMode_; }
  void SetCompressionMode(TCompressionMode value);
  TCompressionType CompressionType() const { return compressionType_; }
  void SetCompressionType(TCompressionType value);
  TDeinterlacer Deinterlacer() const { return deinterlacer_; }
  void SetDeinterlacer(TDeinterlacer value);
  TFrameInfoMethod DroppedFrameCountMethod() const { return droppedFrameCountMethod_; }
  void SetDroppedFrameCountMethod(TFrameInfoMethod value) { droppedFrameCountMethod_ = value; }
  unsigned DroppedFrameCountPollingInterval() const { return droppedFrameCountPollingInterval_; }
  void SetDroppedFrameCountPollingInterval(unsigned value) {
    droppedFrameCountPollingInterval_ = value;
  }
  TDVCaptureMode DVCaptureMode() const { return dvCaptureMode_; }
  void SetDVCaptureMode(TDVCaptureMode value);
  bool DVRgb219() const;
  void SetDVRgb219(bool value);
  bool DVReduceFrameRate() const;
  void SetDVReduceFrameRate(bool value);
  bool DVUseExternalAudio() const;
  void SetDVUseExternalAudio(bool value);
  TFrameInfoMethod FrameCountMethod() const { return frameCountMethod_; }
  void SetFrameCountMethod(TFrameInfoMethod value) { frameCountMethod_ = value; }
  unsigned FrameCountPollingInterval() const { return frameCountPollingInterval_; }
  void SetFrameCountPollingInterval(unsigned value) { frameCountPollingInterval_ = value; }
  bool FrameEventEnabled() const { return frameEventEnabled_; }
  void SetFrameEventEnabled(bool value) { frameEventEnabled_ = value; }
  bool FrameEventPriority() const { return frameEventPriority_; }
  void SetFrameEventPriority(bool value) { frameEventPriority_ = value; }
  bool FrameGrabberEnabled() const { return frameGrabberEnabled_; }
  void SetFrameGrabberEnabled(bool value);
  double FrameRate() const;
  void SetFrameRate(double value);
  bool FullScreenPreview() const { return fullScreenPreview_; }
  void SetFullScreenPreview(bool value);
  TJPEGPerformance JPEGPerformance() const { return jpegPerformance_; }
  void SetJPEGPerformance(TJPEGPerformance value) { jpegPerformance_ = value; }
  bool JPEGProgressiveDisplay() const { return jpegProgressiveDisplay_; }
  void SetJPEGProgressiveDisplay(bool value) { jpegProgressiveDisplay_ = value; }
  TJPEGQualityRange JPEGQuality() const { return jpegQuality_; }
  void SetJPEGQuality(TJPEGQualityRange value) { jpegQuality_ = value; }
  bool MaintainImageRatio() const { return maintainImageRatio_; }
  void SetMaintainImageRatio(bool value) { maintainImageRatio_ = value; }
  TCursor NormalCursor() const { return normalCursor_; }
  void SetNormalCursor(TCursor value) { normalCursor_ = value; }
  bool PlayerAutoStart() const { return playerAutoStart_; }
  void SetPlayerAutoStart(bool value) { playerAutoStart_ = value; }
  const std::string& PlayerFileName() const { return playerFileName_; }
  void SetPlayerFileName(const std::string& value);
  double PlayerRate() const { return playerRate_; }
  void SetPlayerRate(double value);
  bool PreallocCapFileEnabled() const { return preallocCapFileEnabled_; }
  void SetPreallocCapFileEnabled(bool value) { preallocCapFileEnabled_ = value; }
  const std::string& PreallocCapFileName() const { return preallocCapFileName_; }
  void SetPreallocCapFileName(const std::string& value);
  int PreallocCapFileSizeInMB() const { return preallocCapFileSizeInMB_; }
  void SetPreallocCapFileSizeInMB(int value) { preallocCapFileSizeInMB_ = value; }
  bool PreallocCapRecreate() const { return preallocCapRecreate_; }
  void SetPreallocCapRecreate(bool value) { preallocCapRecreate_ = value; }
  bool RawFrameGrabberEnabled() const { return rawFrameGrabberEnabled_; }
  void SetRawFrameGrabberEnabled(bool value);
  bool RefreshPreviewOnParamChange() const { return refreshPreviewOnParamChange_; }
  void SetRefreshPreviewOnParamChange(bool value) { refreshPreviewOnParamChange_ = value; }
  bool RenderAudio() const { return renderAudio_; }
  void SetRenderAudio(bool value);
  const std::string& StoragePath() const { return storagePath_; }
  void SetStoragePath(const std::string& value);
  bool StoreDeviceSettingsInRegistry() const { return storeDeviceSettingsInRegistry_; }
  void SetStoreDeviceSettingsInRegistry(bool value) { storeDeviceSettingsInRegistry_ = value; }
  int TextOnFrameDTFormat() const { return textOnFrameDTFormat_; }
  void SetTextOnFrameDTFormat(int value);
  bool TextOnFrameEnabled() const { return textOnFrameEnabled_; }
  void SetTextOnFrameEnabled(bool value);
  const TFont& TextOnFrameFont() const { return textOnFrameFont_; }
  void SetTextOnFrameFont(const TFont& value);
  std::uint16_t TextOnFrameMargin() const { return textOnFrameMargin_; }
  void SetTextOnFrameMargin(std::uint16_t value);
  const std::string& TextOnFrameString() const { return textOnFrameString_; }
  void SetTextOnFrameString(const std::string& value);
  TFrameInfoMethod TimeCodeReaderMethod() const { return timeCodeReaderMethod_; }
  void SetTimeCodeReaderMethod(TFrameInfoMethod value) { timeCodeReaderMethod_ = value; }
  unsigned TimeCodeReaderPollingInterval() const { return timeCodeReaderPollingInterval_; }
  void SetTimeCodeReaderPollingInterval(unsigned value) { timeCodeReaderPollingInterval_ = value; }
  int VideoCompressor() const { return videoCompressor_; }
  void SetVideoCompressor(int value);
  int VideoCrossbarInput() const;
  void SetVideoCrossbarInput(int value);
  int VideoDevice() const { return videoDevice_; }
  void SetVideoDevice(int value);
  int VideoSize() const;
  void SetVideoSize(int value);
  int VideoSubType() const;
  void SetVideoSubType(int value);
  bool OverlayEnabled() const { return overlayEnabled_; }
  void SetOverlayEnabled(bool value);
  std::uint16_t ZoomSize() const { return zoomSize_; }
  void SetZoomSize(std::uint16_t value);

  // Inherited from the panel.
  bool Visible() const { return !isHidden(); }
  void SetVisible(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool value) { setEnabled(value); }
  int Left() const { return x(); }
  void SetLeft(int value) { move(value, y()); }
  int Top() const { return y(); }
  void SetTop(int value) { move(x(), value); }
  int Width() const { return width(); }
  void SetWidth(int value) { resize(value, height()); }
  int Height() const { return height(); }
  void SetHeight(int value) { resize(width(), value); }
  std::string Name() const;
  void SetName(const std::string& value);
  std::string Hint() const;
  void SetHint(const std::string& value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t value) { tag_ = value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }

  // ---- Public operations (each is queued while the component is busy) ----

  void StartPreview();
  void StopPreview();
  void StartCapture();
  void StopCapture();
  void Stop();
  void OpenPlayer();
  void ClosePlayer();
  void RunPlayer();
  void PausePlayer();
  void StopPlayer();
  void PlayerForward(int Percent);
  void PlayerBackward(int Percent);
  // Not queued: seeks the player to Position (media time, 100 ns) at once; outside cs_Player it
  // logs "not playing" and does nothing.
  void SetPlayerPosition(std::int64_t Position);
  void Recompress(const std::string& SourceFile, const std::string& DestFile);
  void ShowDialog(int Dialog);
  void SetAnalogVideoStandard(int Index);
  // Not queued: false at once when no frame can be grabbed now.
  bool CaptureFrameTo(TFrameCaptureDest Dest, const std::string& FileName);

  // ---- Read-only queries ----

  std::string VideoDevices() const;
  int VideoDevicesCount() const;
  std::string VideoSizes() const;
  std::string VideoSubTypes() const;
  std::string AnalogVideoStandards() const;
  int AnalogVideoStandard() const;
  std::string VideoInputs() const;
  int VideoWidth() const;
  int VideoHeight() const;
  bool IsDVDevice() const;
  bool VideoPortAvailable() const;
  bool AnalogVideoDecoderAvailable() const;
  bool VideoProcAmpAvailable() const;
  // The processing amplifier by index: 0 Brightness, 1 Contrast, 2 Hue, 3 Saturation,
  // 4 Sharpness, 5 Gamma, 6 WhiteBalance, 7 Gain, 8 ColorEnable, 9 BacklightCompensation. The
  // queries give 2147483647 where there is no value; a value set is saved with the device.
  bool ProcAmpAvailable(int Index) const;
  int ProcAmpMin(int Index) const;
  int ProcAmpMax(int Index) const;
  int ProcAmpStep(int Index) const;
  int ProcAmpDefault(int Index) const;
  int ProcAmpValue(int Index) const;
  bool SetProcAmpValue(int Index, int Value);
  bool VideoCrossbarAvailable() const;
  TCurrentState CurrentState() const;

  // ---- Events ----

  TOnCaptureCompleted OnCaptureCompleted;
  TOnCaptureProgress OnCaptureProgress;
  TOnCaptureReadyToStart OnCaptureReadyToStart;
  TNotifyEvent OnCaptureStarted;
  TNotifyEvent OnChangeAudioDevice;
  TNotifyEvent OnChangeVideoDevice;
  TNotifyEvent OnComponentLoaded;
  TOnProcessCompleted OnCopyPreallocDataCompleted;
  TNotifyEvent OnCopyPreallocDataStarted;
  TOnProcessCompleted OnCreatePreallocFileCompleted;
  TNotifyEvent OnCreatePreallocFileStarted;
  TOnCurrentStateChanging OnCurrentStateChanging;
  TNotifyEvent OnDeviceArrival;
  TNotifyEvent OnDeviceLost;
  TNotifyEvent OnDeviceRemoval;
  TNotifyEvent OnDirectX8Required;
  TOnDiscoveringNewDevice OnDiscoveringNewDevice;
  TNotifyEvent OnDiskFull;
  TOnErrorLog OnErrorLog;
  TOnFrameCaptureCompleted OnFrameCaptureCompleted;
  TKeyPressEvent OnFullScreenKeyPress;
  TNotifyEvent OnNoVideoDevices;
  TNotifyEvent OnPlayerEndOfStream;
  TOnPlayerFileNotFound OnPlayerFileNotFound;
  TOnPlayerProgress OnPlayerProgress;
  TNotifyEvent OnPlayerStarted;
  TNotifyEvent OnPreviewStarted;
  TOnRawFrameCaptureCompleted OnRawFrameCaptureCompleted;
  TNotifyEvent OnRecompressStarted;
  TOnProcessCompleted OnRecompressCompleted;
  TOnResizeVideo OnResizeVideo;
  TOnTimeCodeReader OnTimeCodeReader;
  // Inherited from the panel.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnResize;

  // ---- Used by the component's own modules and tests ----

  // Logs "code prefix+message" to the process log and reports failures of level 1 and 2 to
  // OnErrorLog once loaded; pumps pending messages. Returns SUCCEEDED(result).
  bool LogMessage(HRESULT result, int level, const std::string& message, int code);
  // LogMessage with E_FAIL when failed, S_OK otherwise; returns failed.
  bool LogCheck(bool failed, int level, const std::string& message, int code);

  // Logs the three state tests and returns whether the current state is allowed.
  bool CheckState(TCurrentStates allowed);
  void SetBusy(bool busy);
  bool IsBusy() const;
  // Initialised by loading (the media framework check passed).
  bool IsInitialized() const;
  // Loading finished; OnErrorLog fires from now on.
  bool IsLoaded() const;
  // Initialised, not busy, not in design mode.
  bool IsOperational() const;

  void EnqueueOperation(const TDeferredOperation& operation);
  void ProcessQueue();
  std::size_t QueuedOperationCount() const;

  // The state change step: fires OnCurrentStateChanging when the state changes.
  void ChangeState(TCurrentState newState);
  // cs_Preview while the preview flag is set, else cs_Down.
  TCurrentState BaseState() const;
  bool PreviewFlag() const;

  void ClearGraph();
  bool RestartGraph(bool reset);
  // The graph builder, the video capture filter with its control interfaces and saved state, and
  // the audio capture filter when withAudio and the state want audio. False when the video device
  // cannot be put into the graph.
  bool BuildBaseGraph(bool withAudio);
  bool ControlGraph(TGraphMode mode);
  // The graph running mode ControlGraph reached last.
  TGraphMode GraphRunningMode() const;
  // Handler of the graph's notification message.
  void HandleGraphEvents();
  // The periodic work the device manager's timer drives.
  void PollTick();

  // Frame events: the frame thread hands each new frame of the active grabber record to one of
  // these on the UI thread, HandleFrameEvent for preview and capture graphs,
  // HandlePlayerFrameEvent for the player.
  using TFrameHandler = void (TRavorOderiri::*)();
  void HandleFrameEvent();
  void HandlePlayerFrameEvent();
  // Called by the graph builders once the graph is built: starts a frame thread on the active
  // grabber record when FrameEventEnabled is set, at the priority FrameEventPriority selects.
  void StartFrameThread(TFrameHandler handler);

  // The renderers' windows (the records are in State()). Overlay mixing connects a device's
  // video port pin, or its preview pin through the overlay mixer, to the overlay renderer and
  // returns whether it did; a failure is reported ("ok: " unless reportFailure) and undone,
  // overlay renderer included. SetupRendererWindows adopts both renderers' windows and makes the
  // video renderer's a hidden child of the component. ChooseActiveRenderer picks the overlay
  // renderer while OverlayEnabled is set and it exists, else the video renderer, and hides the
  // other. ApplyFullScreenPreview shows the active one full screen or in the panel, as
  // FullScreenPreview says. ResizeVideoWindow sizes panel and video by AutoSize and ZoomSize and
  // fires OnResizeVideo.
  bool SetupOverlayMixing(bool reportFailure);
  void SetupRendererWindows();
  void ChooseActiveRenderer();
  void ApplyFullScreenPreview();
  void ResizeVideoWindow();

  // The index of the video device in use (-1 before the first selection).
  int CurrentDeviceIndex() const;
  // Applies VideoDevice and AudioDevice at once (the setters queue these while busy).
  void SelectVideoDevice(int index);
  void SelectAudioDevice(int index);

  // The component's internal state, defined in rudozav/core/ComponentState.h.
  TRavorOdeririState& State() { return *state_; }
  const TRavorOdeririState& State() const { return *state_; }

  // The message the graph posts to the component's window for each notification.
  static constexpr unsigned kGraphNotifyMessage = 0x84D4;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void InitProcessResources();
  bool MayActNow() const;
  void Enqueue(int opCode, int intArg = 0, bool boolArg = false, double doubleArg = 0.0);
  void RunQueuedOperation(const TDeferredOperation& operation);
  void ApplyRestartRule();
  void KeyReleased(char key);
  void ReleaseGraph();
  void HandleGraphEvent(long code, std::intptr_t param1);
  void PollPendingNotifications();

  // Setters' actions, run at once or from the queue.
  void ApplyAudioCompressor(int value);
  void ApplyCompressionMode(TCompressionMode value);
  void ApplyCompressionType(TCompressionType value);
  void ApplyDeinterlacer(TDeinterlacer value);
  void ApplyDVCaptureMode(TDVCaptureMode value);
  void ApplyDVRgb219(bool value);
  void ApplyDVReduceFrameRate(bool value);
  void ApplyDVUseExternalAudio(bool value);
  void ApplyFrameGrabberEnabled(bool value);
  void ApplyFrameRate(double value);
  void ApplyOverlayEnabled(bool value);
  void ApplyRawFrameGrabberEnabled(bool value);
  void ApplyRenderAudio(bool value);
  void ApplyVideoCompressor(int value);
  void ApplyVideoCrossbarInput(int value);
  void ApplyVideoSize(int value);
  void ApplyVideoSubType(int value);

  // Operations' actions, run at once or from the queue.
  void RunStartPreview();
  void RunStopPreview();
  void RunStartCapture();
  void RunStopCapture();
  void RunStop();
  void RunOpenPlayer();
  void RunClosePlayer();
  void RunRunPlayer();
  void RunPausePlayer();
  void RunStopPlayer();
  void RunPlayerForward(int percent);
  void RunPlayerBackward(int percent);
  void RunRecompress(const std::string& sourceFile, const std::string& destFile);
  void RunShowDialog(int dialog);
  void RunSetAnalogVideoStandard(int index);

  // Steps of the graph, device and frame modules (GraphWork.cpp holds those not built yet).
  void DiscoverSelectedDevice();
  bool BuildPreviewGraph();
  bool BuildCaptureGraph();
  // The player graph of OpenPlayer after its checks, with its failure ending.
  bool BuildPlayerGraph();
  bool BuildPlayerChain();
  void EndFailedPlayer();
  bool TranscodeFile(const std::string& sourceFile, const std::string& destFile,
                     bool recompressing);
  void CaptureDeviceState();
  void StopFrameThread();
  void RunPostCaptureStep();
  void ApplyFrameRateToStream();
  void ApplyPlayerRate();
  void ReportPlayerPosition();
  void LogRestartSettings();
  // Steps of the preview graph provided by the renderer, crossbar and frame modules.
  void ApplyPendingCrossbarInput();
  // The preview graph's chain without the clean-up of a failure, and its start.
  bool BuildPreviewChain();
  bool RunPreview();

  std::unique_ptr<TRavorOdeririState> state_;

  bool autoStartPreview_ = true;
  int audioCompressor_ = 0;
  int audioDevice_ = 0;
  TAutoFileName autoFileName_ = fn_Sequential;
  std::string autoFilePrefix_ = "vg";
  bool autoConnectRelatedPins_ = true;
  bool autoSize_ = true;
  bool avi1IndexCompatibility_ = true;
  TBorderStyle borderStyle_ = bsNone;
  int burstCount_ = 3;
  int burstInterval_ = 1;
  bool burstMode_ = false;
  TFrameCaptureDest burstType_ = fc_TBitmap;
  TCursor busyCursor_ = crHourGlass;
  bool captureAudio_ = true;
  std::string captureFileExt_ = "avi";
  std::string captureFileName_;
  TCompressionMode compressionMode_ = cm_NoCompression;
  TCompressionType compressionType_ = ct_Video;
  TDeinterlacer deinterlacer_ = di_None;
  TFrameInfoMethod droppedFrameCountMethod_ = fim_FrameEvent;
  unsigned droppedFrameCountPollingInterval_ = 1;
  TDVCaptureMode dvCaptureMode_ = dv_CaptureType2;
  TFrameInfoMethod frameCountMethod_ = fim_FrameEvent;
  unsigned frameCountPollingInterval_ = 1;
  bool frameEventEnabled_ = true;
  bool frameEventPriority_ = true;
  bool frameGrabberEnabled_ = true;
  bool fullScreenPreview_ = false;
  TJPEGPerformance jpegPerformance_ = jpBestQuality;
  bool jpegProgressiveDisplay_ = false;
  TJPEGQualityRange jpegQuality_ = 100;
  bool maintainImageRatio_ = true;
  TCursor normalCursor_ = crDefault;
  bool playerAutoStart_ = true;
  std::string playerFileName_;
  double playerRate_ = 1.0;
  bool preallocCapFileEnabled_ = false;
  std::string preallocCapFileName_;
  int preallocCapFileSizeInMB_ = 100;
  bool preallocCapRecreate_ = false;
  bool rawFrameGrabberEnabled_ = false;
  bool refreshPreviewOnParamChange_ = true;
  bool renderAudio_ = false;
  std::string storagePath_;
  bool storeDeviceSettingsInRegistry_ = true;
  int textOnFrameDTFormat_ = 0;
  bool textOnFrameEnabled_ = false;
  TFont textOnFrameFont_;
  std::uint16_t textOnFrameMargin_ = 5;
  std::string textOnFrameString_ = "this text can be written on video frames";
  TFrameInfoMethod timeCodeReaderMethod_ = fim_FrameEvent;
  unsigned timeCodeReaderPollingInterval_ = 1;
  int videoCompressor_ = 0;
  int videoDevice_ = 0;
  bool overlayEnabled_ = true;
  std::uint16_t zoomSize_ = 100;

  TAlignment alignment_ = taCenter;
  std::string caption_;
  TColor color_ = 0x00B79B9B;
  TCursor cursor_ = crDefault;
  std::intptr_t tag_ = 0;
  int helpContext_ = 0;
};
