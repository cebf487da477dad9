#pragma once

#include <memory>
#include <string>

// The program's one small file of its own is read and written through this
// object, with the operations and failures of a desktop scripting file
// object: a file is read whole, or written whole with nothing added. Texts
// are bytes, passed through unchanged. Failures are EInOutError with a text
// that names the file and the system's reason.
class TTextStream {
public:
    virtual ~TTextStream() = default;
    // The whole content.
    virtual std::string ReadAll() = 0;
    // Appends exactly these bytes, no line end.
    virtual void Write(const std::string& text) = 0;
    // Ends the stream. A written file replaces the old one only here, and
    // atomically: until then, and after any failure, the old content stands.
    virtual void Close() = 0;
};

class TFileSystemObject {
public:
    // True when something other than a folder exists at the path.
    bool FileExists(const std::string& path) const;
    // A stream for reading; ioMode 1 is the only mode there is.
    std::unique_ptr<TTextStream> OpenTextFile(const std::string& path, int ioMode) const;
    // A stream writing a new file at the path, replacing an old one when
    // overwrite is true.
    std::unique_ptr<TTextStream> CreateTextFile(const std::string& path, bool overwrite) const;

    // The most a text file may hold to be read: a folder path is far shorter.
    static constexpr std::size_t MaxReadBytes = 1 << 16;
};

// The whole content of a text file; the empty text when there is none or it
// cannot be opened or read.
std::string ReadTextFile(const std::string& path);
