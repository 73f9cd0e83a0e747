#pragma once
// The system's own texts, the ones a user reads: every message, label and title of the program in
// one place, which the code and the tests both use.
#include "util/status.h"

// The user's message of a failed operation; empty for codes that the window answers without one
// (NotFound, SearchReplaced) and for Ok.
const char* MessageOf(StatusCode code);

// Failures of the store and of opening, creating and copying documents.
inline constexpr char kConflictMessage[] = "別のウィンドウで先に更新されました。";
inline constexpr char kReadOnlyMessage[] =
    "このファイルはバックアップのため読み取り専用です。編集するには「名前を付けて保存…」でコピーを作ってください。";
inline constexpr char kStoreErrorMessage[] =
    "ファイルに保存できません。ファイルが移動または削除されていないか、空き容量と権限をご確認ください。";
inline constexpr char kFileNotFoundMessage[] = "ファイルが見つかりません。移動または削除された可能性があります。";
inline constexpr char kNotADocumentMessage[] = "Ferncard のファイルではないか、ファイルが壊れています。";
inline constexpr char kNewerVersionMessage[] =
    "このファイルは新しい版の Ferncard で作成されています。製品を更新してください。";
inline constexpr char kCannotOpenFileMessage[] =
    "ファイルを開けません。他のプログラムが使用中でないか、権限をご確認ください。";
inline constexpr char kNoSessionMessage[] =
    "ファイルを開けません。他のファイルを閉じるか、Ferncard を一度終了してください。";
inline constexpr char kFileAlreadyOpenMessage[] = "そのファイルは開いています。別の名前を指定してください。";
inline constexpr char kCannotCreateMessage[] = "ファイルを作成できません。場所の権限と空き容量をご確認ください。";
inline constexpr char kCannotSaveMessage[] = "ファイルを保存できません。場所の権限と空き容量をご確認ください。";
inline constexpr char kImageTooLargeMessage[] = "画像は 1 枚 20MB までです。";
inline constexpr char kNotAnImageMessage[] = "PNG / JPEG / GIF / WebP の画像を指定してください。";

// The gate.
inline constexpr char kReopenMessage[] =
    "接続が切れました。スタートメニューまたは通知領域のアイコンから開き直してください。";

// Opening a window on a document.
inline constexpr char kOpenItYourselfMessage[] =
    "このアドレスを 60 秒以内にブラウザーで開いてください。期限が切れたら、もう一度 ferncard を起動すると"
    "新しいアドレスがここに表示されます。";

// Backups and the pages' history.
inline constexpr char kBackupFailedMessage[] =
    "バックアップを作成できませんでした。空き容量と権限をご確認ください。ファイルはそのままです。";
inline constexpr char kHistoryFailedMessage[] =
    "履歴を保存できませんでした。空き容量と権限をご確認ください。ページは保存されています。";

// The file menu and its dialogs.
inline constexpr char kNewDocumentStem[] = "新しいメモ";
inline constexpr char kOpenDialogTitle[] = "Ferncard ファイルを開く";
inline constexpr char kSaveDialogTitle[] = "Ferncard ファイルの保存";
inline constexpr char kDocumentFilterName[] = "Ferncard ファイル (*.fcard)";

// Starting the program: the error boxes, one per exit code, and the failures behind them.
inline constexpr char kInvalidCommandLineMessage[] = "起動オプションが正しくありません。";
inline constexpr char kCannotReachRunningInstanceMessage[] = "起動中の Ferncard に接続できませんでした。";
inline constexpr char kInitializationFailedMessage[] = "起動できませんでした。データフォルダーの権限をご確認ください。";
inline constexpr char kWindowCreationFailedMessage[] = "起動できませんでした。";
inline constexpr char kDataFolderMessage[] = "データフォルダーを作成できません。権限をご確認ください。";
inline constexpr char kImportMessage[] =
    "以前のメモを新しい形式に取り込めませんでした。元のデータは変更していません。空き容量と権限をご確認ください。";
inline constexpr char kCreateDocumentMessage[] =
    "データフォルダーにファイルを作成できません。空き容量と権限をご確認ください。";

// The notification area's menu.
inline constexpr char kTrayOpenLabel[] = "開く";
inline constexpr char kTrayOpenFileLabel[] = "ファイルを開く...";
inline constexpr char kTrayOpenDataFolderLabel[] = "データフォルダーを開く";
inline constexpr char kTrayExitLabel[] = "終了";
