#pragma once
#include <string>

// Where a rendering goes and how it gets there without destroying anything. A regular file (new or
// existing) is written to a temporary file beside it that replaces it only when everything was
// written; a symbolic link's target is replaced, the link stays. A device, a FIFO and standard
// output ("-") are written directly, since renaming over them would destroy them. A folder, a
// read-only file and a disk device are refused.
class OutputTarget {
public:
    enum class Kind { NewFile, ReplaceFile, Stream, StandardOutput };

    OutputTarget() = default;
    ~OutputTarget();
    OutputTarget(const OutputTarget&) = delete;
    OutputTarget& operator=(const OutputTarget&) = delete;

    // Looks at `path` without changing anything. `streamable` tells whether the chosen file type can
    // be written without coming back to its header; a FIFO or a pipe on standard output needs that.
    bool resolve(const std::string& path, bool streamable, std::string& error);

    Kind kind() const { return kind_; }
    bool direct() const { return kind_ == Kind::Stream || kind_ == Kind::StandardOutput; }
    // The file that receives the data: a symbolic link's target, or the path itself.
    const std::string& destination() const { return destination_; }

    // Opens the descriptor the data goes to (the caller owns it): a temporary file beside the
    // destination, or the device, FIFO or standard output itself.
    int open(std::string& error);
    // Moves the finished temporary file into place; a replaced file's permissions carry over.
    bool commit(std::string& error);
    // Removes the temporary file, if any (also done on destruction without commit).
    void discard();

private:
    std::string path_, destination_, temporary_;
    Kind kind_ = Kind::NewFile;
    bool streamable_ = false;
    unsigned mode_ = 0;
    int owner_ = -1, group_ = -1;
};
