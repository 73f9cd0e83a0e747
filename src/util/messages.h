#pragma once
// The system's own texts, the ones a user reads: every message of the program and its server in
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
