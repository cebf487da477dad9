#pragma once

#include <exception>
#include <string>

// The program's error hierarchy. Every failure that a handler may meet is an
// Exception carrying the UTF-8 text the user is shown.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Dropped silently by the error frame: a quiet way out of a handler.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A fatal error reported by libjpeg; MsgCode is libjpeg's message code.
class EJPEG : public EInvalidGraphic {
public:
    explicit EJPEG(int msgCode);
    int MsgCode() const noexcept { return FMsgCode; }

private:
    int FMsgCode;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError();
};

class EFileStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EFileStreamError {
public:
    EFOpenError(const std::string& path, int errorNumber);
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Input/output failures of folders and small text files.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// Texts shared by the readers.
extern const char* const SInvalidBitmap;
extern const char* const SReadError;
