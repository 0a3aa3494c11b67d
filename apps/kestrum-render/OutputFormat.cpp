#include "OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

const char* sampleFormatName(SampleFormat f) {
    return f == SampleFormat::Pcm16 ? "pcm16" : f == SampleFormat::Pcm24 ? "pcm24" : "float";
}

int encoding(SampleFormat f) {
    return f == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16 : f == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
}

}  // namespace

std::optional<OutputFormat::Type> OutputFormat::typeNamed(const std::string& name) {
    const std::string n = lower(name);
    if (n == "wav") return Type::Wav;
    if (n == "flac") return Type::Flac;
    if (n == "ogg") return Type::Ogg;
    if (n == "aif" || n == "aiff") return Type::Aiff;
    if (n == "caf") return Type::Caf;
    return std::nullopt;
}

std::optional<OutputFormat::Type> OutputFormat::typeOfPath(const std::string& path, bool& hasExtension) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    // A leading dot (".hidden") starts a name, not an extension.
    hasExtension = dot != std::string::npos && dot > 0 && dot + 1 < name.size();
    if (!hasExtension) return std::nullopt;
    return typeNamed(name.substr(dot + 1));
}

const char* OutputFormat::knownExtensions() { return ".wav, .flac, .ogg, .aif/.aiff, .caf"; }

bool OutputFormat::choose(const std::string& output, const std::optional<Type>& type,
                          const std::optional<SampleFormat>& sampleFormat, OutputFormat& out, std::string& error) {
    bool hasExtension = false;
    const std::optional<Type> fromName = output == "-" ? std::nullopt : typeOfPath(output, hasExtension);
    if (hasExtension && !fromName && !type) {
        error = "cannot tell the file type of '" + output + "' from its extension; use one of " + knownExtensions() +
                " (or --type)";
        return false;
    }
    if (fromName && type && *fromName != *type) {
        OutputFormat named;
        named.type_ = *fromName;
        OutputFormat chosen;
        chosen.type_ = *type;
        error = "'" + output + "' names a " + named.displayName() + " file but --type asks for " + chosen.displayName();
        return false;
    }
    return forType(type ? *type : fromName ? *fromName : Type::Wav, sampleFormat, out, error);
}

bool OutputFormat::forType(Type type, const std::optional<SampleFormat>& sampleFormat, OutputFormat& out, std::string& error) {
    out.type_ = type;
    switch (type) {
        case Type::Wav:
            out.format_ = SF_FORMAT_WAV | encoding(sampleFormat.value_or(SampleFormat::Float));
            return true;
        case Type::Aiff:
            out.format_ = SF_FORMAT_AIFF | encoding(sampleFormat.value_or(SampleFormat::Float));
            return true;
        case Type::Caf:
            out.format_ = SF_FORMAT_CAF | encoding(sampleFormat.value_or(SampleFormat::Float));
            return true;
        case Type::Flac:
            if (sampleFormat == SampleFormat::Float) {
                error = "FLAC stores integer samples only; use --format pcm24 or pcm16";
                return false;
            }
            out.format_ = SF_FORMAT_FLAC | encoding(sampleFormat.value_or(SampleFormat::Pcm24));
            return true;
        case Type::Ogg:
            if (sampleFormat) {
                error = std::string("Ogg/Vorbis has no sample format to choose; leave out --format ") +
                        sampleFormatName(*sampleFormat);
                return false;
            }
            out.format_ = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
            return true;
    }
    return false;
}

std::string OutputFormat::extension() const {
    switch (type_) {
        case Type::Wav: return ".wav";
        case Type::Flac: return ".flac";
        case Type::Ogg: return ".ogg";
        case Type::Aiff: return ".aiff";
        case Type::Caf: return ".caf";
    }
    return ".wav";
}

std::string OutputFormat::displayName() const {
    switch (type_) {
        case Type::Wav: return "WAV";
        case Type::Flac: return "FLAC";
        case Type::Ogg: return "Ogg/Vorbis";
        case Type::Aiff: return "AIFF";
        case Type::Caf: return "CAF";
    }
    return "WAV";
}

bool OutputFormat::integerSamples() const {
    const int encodingBits = format_ & SF_FORMAT_SUBMASK;
    return encodingBits == SF_FORMAT_PCM_16 || encodingBits == SF_FORMAT_PCM_24;
}

int OutputFormat::bytesPerSample() const {
    const int encodingBits = format_ & SF_FORMAT_SUBMASK;
    return encodingBits == SF_FORMAT_PCM_16 ? 2 : encodingBits == SF_FORMAT_PCM_24 ? 3 : 4;
}

bool OutputFormat::fitSize(long long bytes, std::string& error) {
    // The 32-bit chunk sizes of WAV and AIFF, less room for the header.
    constexpr long long kLimit = 0xFFFFFFFFLL - (1 << 16);
    if (bytes <= kLimit) return true;
    if (type_ == Type::Wav) {
        format_ = SF_FORMAT_RF64 | (format_ & SF_FORMAT_SUBMASK);
        return true;
    }
    if (type_ == Type::Aiff) {
        error = "AIFF cannot hold the " + std::to_string(bytes >> 20) + " MB of this render; use .wav, .caf or .flac";
        return false;
    }
    return true;
}
