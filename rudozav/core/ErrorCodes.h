#pragma once
// The codes, levels and texts the component logs and reports. A code groups messages of one kind;
// texts marked "+" get a name, path or number appended at run time.

#include <string_view>

// Log levels: a trace is never reported to the host.
inline constexpr int kLevelTrace = 0;
inline constexpr int kLevelWarning = 1;
inline constexpr int kLevelError = 2;

struct TLogEntry {
  int Code;
  int Level;
  std::string_view Text;
};

namespace rudozav::errors {

inline constexpr TLogEntry kRejected{1, kLevelError, "rejected: "};  // + filter name
inline constexpr TLogEntry kAddingSourceFilter{2, kLevelError, "adding source filter "};  // + file
inline constexpr TLogEntry kAlreadyClosed{4, kLevelTrace, "already closed"};
inline constexpr TLogEntry kBindDevice{6, kLevelError, "bind "};  // + name + kBindDeviceTail
inline constexpr std::string_view kBindDeviceTail = " device moniker to filter";
inline constexpr TLogEntry kCannotAllocateCaptureFile{8, kLevelTrace,
                                                      "cannot allocate capture file"};
inline constexpr TLogEntry kCannotCreateDirectory{9, kLevelError, "cannot create directory "};
inline constexpr TLogEntry kCannotCreateFolder{9, kLevelError, "cannot create directory: "};
inline constexpr TLogEntry kCannotRenderFile{10, kLevelTrace, "cannot render file"};
inline constexpr TLogEntry kCannotPlay{10, kLevelError, "cannot play "};  // + file name
inline constexpr TLogEntry kInQueue{11, kLevelTrace, "IN QUEUE "};        // + op code
inline constexpr TLogEntry kFromQueue{11, kLevelTrace, "FROM QUEUE "};    // + op code
inline constexpr TLogEntry kInstance{14, kLevelError, "instance: "};      // + instance text
inline constexpr TLogEntry kCannotRouteAudioCrossbar{15, kLevelWarning,
                                                     "cannot route audio crossbar"};
inline constexpr TLogEntry kFileNameNotSpecified{18, kLevelError, "file name not specified"};
inline constexpr TLogEntry kFileNotFound{19, kLevelError, "file not found: "};  // + file name
inline constexpr TLogEntry kFindTimecodeReader{21, kLevelTrace, "find timecode reader interface"};
inline constexpr TLogEntry kFindTransport{22, kLevelTrace, "find transport interface"};
inline constexpr TLogEntry kGetAudioFormat{23, kLevelError, "get audio format"};
inline constexpr TLogEntry kGetEventEx{25, kLevelError, "get Event ex interface"};
inline constexpr TLogEntry kMediaSeeking{27, kLevelError, "Media seeking"};
inline constexpr TLogEntry kFindMediaSeeking{27, kLevelError, "find Media seeking"};
inline constexpr TLogEntry kGetVideoFormat{29, kLevelError, "get Video format"};
inline constexpr TLogEntry kNoAudioDeviceFound{30, kLevelWarning, "no audio device found"};
inline constexpr TLogEntry kFindDroppedFrames{31, kLevelTrace, "find dropped frames interface"};
inline constexpr TLogEntry kDirectDrawDisabled{32, kLevelError,
                                               "direct draw acceleration disabled"};
inline constexpr TLogEntry kNoVideoDevice{33, kLevelError, "no video device"};
inline constexpr TLogEntry kDscalerNotInstalled{38, kLevelError,
                                                "DSCALER filter not installed, visit "};
inline constexpr TLogEntry kCannotRouteVideoCrossbar{39, kLevelError,
                                                     "Cannot route video crossbar input"};
inline constexpr TLogEntry kIndexOutOfRange{40, kLevelError, "index out of range"};
inline constexpr TLogEntry kVideoDeviceIndexOutOfRange{40, kLevelWarning,
                                                       "video device index out of range"};
inline constexpr TLogEntry kAudioDeviceIndexOutOfRange{40, kLevelError,
                                                       "AudioDevice index out of range"};
inline constexpr TLogEntry kVideoCompressorIndexOutOfRange{40, kLevelError,
                                                           "VideoCompressor index out of range"};
inline constexpr TLogEntry kCrossbarInputIndexOutOfRange{40, kLevelError,
                                                         "Video crossbar input index out of range"};
inline constexpr TLogEntry kAnalogStandardIndexOutOfRange{
    40, kLevelError, "set analog standard: index out of range"};
inline constexpr TLogEntry kPercentRange{40, kLevelError, "Percent range between 0,0 and 100,0"};
inline constexpr TLogEntry kVideoSizeIndexOutOfRange{
    40, kLevelWarning, "VideoSize index out of range, index 0 used instead"};
inline constexpr TLogEntry kVideoSubTypeIndexOutOfRange{
    40, kLevelWarning, "VideoSubType index out of range, index 0 used instead"};
// Category name + this text.
inline constexpr TLogEntry kListIndexOutOfRange{40, kLevelWarning,
                                                " index out of range, index 0 used instead"};
inline constexpr TLogEntry kFindProcAmp{44, kLevelTrace, "find proc amp interface"};
inline constexpr TLogEntry kNotPlaying{46, kLevelTrace, "not playing"};
inline constexpr TLogEntry kNotPreviewing{47, kLevelError, "not previewing"};
inline constexpr TLogEntry kQueryConfigAviMux{49, kLevelError, "query config avi F_FileMux"};
inline constexpr TLogEntry kQueryConfigInterleaving{50, kLevelError, "query config interleaving"};
inline constexpr TLogEntry kRenderAudioStream{52, kLevelError, "render Audio stream"};
inline constexpr TLogEntry kRenderVideoStream{53, kLevelError, "render Video stream"};
inline constexpr TLogEntry kCaptureCancelled{54, kLevelWarning, "capture cancelled by user"};
inline constexpr TLogEntry kSetFilterGraph{56, kLevelError, "set filter graph"};
inline constexpr TLogEntry kSetFrameRate{57, kLevelError, "set Frame Rate"};
inline constexpr TLogEntry kSetInterleavingMode{59, kLevelError, "set interleaving mode"};
inline constexpr TLogEntry kSetMasterStream{60, kLevelError, "set master stream"};
inline constexpr TLogEntry kSetCompatibilityIndex{61, kLevelError,
                                                  "set output Compatibility Index"};
inline constexpr TLogEntry kSetOutputFileName{62, kLevelError, "set output file name"};
inline constexpr TLogEntry kSetOutputFileNameMux{62, kLevelError, "set outputfilename (mux/sink"};
inline constexpr TLogEntry kSetVideoFormat{63, kLevelError, "set video format"};
inline constexpr TLogEntry kSlowStoragePath{64, kLevelWarning, "StoragePath= "};  // + path + tail
inline constexpr std::string_view kSlowStoragePathTail =
    "\r\nNetwork drives or slow drives may produce high rate of dropped frames";
inline constexpr TLogEntry kStopCaptureFirst{65, kLevelError, "stop capture first"};
inline constexpr TLogEntry kAlreadyCapturing{65, kLevelError, "already capturing"};
inline constexpr TLogEntry kVfwDriversSlow{
    67, kLevelWarning,
    "vfw drivers are not very efficient and rather slow with TRavorOderiri, you should upgrade to "
    "a WDM driver"};
inline constexpr TLogEntry kGetControlInterface{68, kLevelError, "get control interface"};
inline constexpr TLogEntry kSetAudioFormat{69, kLevelWarning, "set audio format"};
inline constexpr TLogEntry kAudioFormatPcmOnly{69, kLevelWarning,
                                               "audio format applies only to PCM"};
inline constexpr TLogEntry kWaitForRecompress{70, kLevelError, "wait for recompress completion"};
inline constexpr TLogEntry kStopPreviewFirst{78, kLevelError, "stop preview first"};
inline constexpr TLogEntry kDoesNotApplyToDV{80, kLevelWarning, "does not apply to DV"};
inline constexpr TLogEntry kCannotStartCapture{84, kLevelError, "cannot start capture"};
inline constexpr TLogEntry kCannotStartPreview{85, kLevelError, "cannot start preview"};
inline constexpr TLogEntry kNotCapturing{89, kLevelError, "not capturing"};
inline constexpr TLogEntry kCaptureAborted{90, kLevelError, "capture aborted: "};  // + reason
inline constexpr TLogEntry kDirectXAccelerationDisabled{96, kLevelError,
                                                        "DirectX acceleration disabled"};
inline constexpr TLogEntry kDeviceInUse{97, kLevelError, "device "};  // + name + kDeviceInUseTail
inline constexpr std::string_view kDeviceInUseTail = " already in use";
inline constexpr TLogEntry kVideoDeviceNotAvailable{100, kLevelError, "video device not available"};

}  // namespace rudozav::errors
