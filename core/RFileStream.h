#ifndef WYX_CORE_RFILESTREAM_H
#define WYX_CORE_RFILESTREAM_H

// A byte stream over a C runtime file opened by its UTF-8 name.
//
// Every operation but Open, OpenWithMode and GetFileName does nothing and answers 0, null
// or false while the stream is closed. Failures are results, never exceptions.

#include "core/RString.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

class RFileStream {
public:
    // Origins of Seek.
    static constexpr int kFromStart = 0;
    static constexpr int kFromCurrent = 1;
    static constexpr int kFromEnd = 2;
    // Modes of OpenWithMode: "r", "w", "w+", "a".
    static constexpr int kModeRead = 0;
    static constexpr int kModeWrite = 1;
    static constexpr int kModeReadWrite = 2;
    static constexpr int kModeAppend = 3;
    // Printf formats into a buffer of this size; longer texts are written whole all the same.
    static constexpr int kPrintfBufferSize = 16384;

    RFileStream() = default;
    // Closes the file.
    virtual ~RFileStream();
    RFileStream(const RFileStream&) = delete;
    RFileStream& operator=(const RFileStream&) = delete;

    // Opens name with a C runtime mode ("rb", "wt+", ...), closing a file still open first;
    // records the name. Answers whether the stream is open.
    virtual bool Open(const char* name, const char* mode);
    // Mode 0 "r", 1 "w", 2 "w+", 3 "a", followed by "b" when text is false and "t" when it
    // is true. False for any other mode.
    virtual bool OpenWithMode(const char* name, int mode, bool text);
    virtual void Close();

    // Reads up to count bytes; answers the number read.
    virtual int Read(void* buffer, int count);
    // Reads a line as fgets does; null at the end or on failure.
    virtual char* Gets(char* buffer, int size);
    // Reads 4 bytes (with swap, reversed) into value and answers it. When fewer bytes are
    // left, value and the answer are 0.
    virtual std::int32_t ReadInt32(std::int32_t& value, bool swap);
    // Reads 2 bytes, likewise.
    virtual std::int16_t ReadInt16(std::int16_t& value, bool swap);
    // Reads 1 byte, likewise.
    virtual std::uint8_t ReadByte(std::uint8_t& value);

    // The same reads into unsigned and plain-char values.
    std::uint32_t ReadInt32(std::uint32_t& value, bool swap);
    std::uint16_t ReadInt16(std::uint16_t& value, bool swap);
    char ReadByte(char& value);

    // Writes count bytes; answers the number written.
    virtual int Write(const void* buffer, int count);
    // Moves by offset from the start, the current position or the end (kFrom...), as fseek
    // does. 0 on success.
    virtual long Seek(int origin, long offset);
    virtual long Tell();
    // Moves to offset from the start; 0 on success.
    virtual int SeekTo(long offset);
    virtual bool IsOpen() const;
    virtual const RString& GetFileName() const;
    // The C runtime's error and end-of-file indicators.
    virtual bool HasError();
    virtual void ClearError();
    virtual bool IsEof();
    // Formats in the "C" locale and writes the text; answers the bytes written, or -1 when
    // the text cannot be formatted.
    virtual int Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Sets the file's size; 0 on success, -1 on failure or when closed.
    virtual int Truncate(long size);

protected:
    // Formats into a buffer and hands the text to Write.
    int WriteFormatted(const char* format, std::va_list args);
    // Turns count bytes read into a value: reversed with swap, all zero when the read was
    // incomplete. Answers the value's bytes in `value` (count bytes).
    static void DecodeRead(unsigned char* bytes, int count, bool complete, bool swap, void* value);

private:
    std::FILE* file_ = nullptr;
    RString fileName_;
};

#endif
