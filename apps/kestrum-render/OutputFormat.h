#pragma once
#include <optional>
#include <string>

#include "AudioFile.h"

// The file type and sample format of a rendering. The type comes from --type or from OUTPUT's
// extension (WAV without one); the sample format from --format where the type has a choice.
class OutputFormat {
public:
    enum class Type { Wav, Flac, Ogg, Aiff, Caf };

    // "wav", "flac", "ogg", "aif"/"aiff", "caf" in any letter case.
    static std::optional<Type> typeNamed(const std::string& name);
    // The type named by a path's extension; `hasExtension` tells an unknown extension from none.
    static std::optional<Type> typeOfPath(const std::string& path, bool& hasExtension);
    // The accepted extensions, for messages: ".wav, .flac, .ogg, .aif/.aiff, .caf".
    static const char* knownExtensions();

    // Chooses the format for OUTPUT (a path, or "-" for standard output). Refuses an unknown
    // extension, an extension that contradicts --type, and a sample format the type cannot store.
    static bool choose(const std::string& output, const std::optional<Type>& type,
                       const std::optional<SampleFormat>& sampleFormat, OutputFormat& out, std::string& error);
    // The format for a type alone (a batch names its outputs after it).
    static bool forType(Type type, const std::optional<SampleFormat>& sampleFormat, OutputFormat& out, std::string& error);

    // Adapts the container to a file of about `bytes` of samples: WAV beyond 4 GB becomes RF64 (its
    // 64-bit form); AIFF cannot hold that much and is refused.
    bool fitSize(long long bytes, std::string& error);
    // Bytes one sample takes in the file (Ogg/Vorbis: an estimate no smaller than what it takes).
    int bytesPerSample() const;

    Type type() const { return type_; }
    // The extension files of this type get, with its dot.
    std::string extension() const;
    // The type's name for messages ("FLAC").
    std::string displayName() const;
    // libsndfile's container and encoding bits.
    int libsndfileFormat() const { return format_; }
    // Integer samples clip at full scale.
    bool integerSamples() const;
    // Can be written to a pipe (libsndfile cannot come back to fill in a WAV, AIFF or CAF header).
    bool streamable() const { return type_ == Type::Flac || type_ == Type::Ogg; }

private:
    Type type_ = Type::Wav;
    int format_ = 0;
};
