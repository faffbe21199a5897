#pragma once

#include <expected>
#include <string>

namespace mp4 {

// What went wrong, as a value: the library never throws across its border.
struct Error {
    enum class Code {
        Io,               // the operating system refused a read, write, open or flush
        NotFound,         // no such file
        Corrupt,          // the bytes are not a movie file we can parse
        Unsupported,      // a valid file that this library refuses to change (fragmented, ...)
        ReadOnly,         // opened for reading, or the file cannot be written
        InvalidArgument,  // the caller passed something unusable (unknown track, bad language, ...)
        Closed,           // the file was already closed
        Changed,          // another program changed the file since it was read or opened: not saved
    };

    Code code = Code::Io;
    std::string message;
};

template <typename T>
using Result = std::expected<T, Error>;

// Shorthand for the error branch of a Result.
inline std::unexpected<Error> fail(Error::Code code, std::string message)
{
    return std::unexpected<Error>(Error{code, std::move(message)});
}

}  // namespace mp4
