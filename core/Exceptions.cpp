#include "Exceptions.h"

#include <cstring>

const char* const SInvalidBitmap = "ビットマップイメージが不正です";
const char* const SReadError = "ストリームからの読み込みエラー";

EJPEG::EJPEG(int msgCode)
    : EInvalidGraphic("JPEG エラー #" + std::to_string(msgCode)), FMsgCode(msgCode) {}

EReadError::EReadError() : EStreamError(SReadError) {}

EFOpenError::EFOpenError(const std::string& path, int errorNumber)
    : EFileStreamError("ファイル " + path + " を開けません (" + std::strerror(errorNumber) + ")") {}
