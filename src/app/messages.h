#pragma once
// The texts of the start-up error boxes, one per exit code.

inline constexpr const char* kInvalidCommandLineMessage = "起動オプションが正しくありません。";
inline constexpr const char* kCannotReachRunningInstanceMessage = "起動中の Ferncard に接続できませんでした。";
inline constexpr const char* kInitializationFailedMessage =
    "起動できませんでした。データフォルダーの権限をご確認ください。";
inline constexpr const char* kWindowCreationFailedMessage = "起動できませんでした。";

// Process exit codes.
enum ExitCode : int {
  kExitNormal = 0,
  kExitInvalidCommandLine = 2,
  kExitRunningInstanceUnreachable = 3,
  kExitInitializationFailed = 4,
  kExitWindowCreationFailed = 5,
};
