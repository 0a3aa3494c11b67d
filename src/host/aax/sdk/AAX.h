#pragma once
// Basic types of the host SDK layer: result codes, four-character codes, stem formats, parameter
// value types and the class kinds a module offers. Everything that crosses between host and module
// is a plain value, a C string, a buffer with its capacity, or a pointer to one of the interfaces.
#include <cstdint>

using AAX_Result = int32_t;

enum : AAX_Result {
    AAX_SUCCESS = 0,
    AAX_ERROR_INVALID_ARGUMENT = -20001,   // null pointer, buffer too small, non-finite number
    AAX_ERROR_UNKNOWN_PARAMETER = -20002,
    AAX_ERROR_UNKNOWN_CLASS = -20003,
    AAX_ERROR_NOT_PRODUCED = -20004,       // a descriptor or a packet could not be produced
    AAX_ERROR_NOT_INITIALIZED = -20005,
    AAX_ERROR_UNKNOWN_CHUNK_INDEX = -20006,
    AAX_ERROR_UNKNOWN_CHUNK_ID = -20007,
    AAX_ERROR_CHUNK_SIZE_CHANGED = -20008, // the chunk changed size between the size query and the read
    AAX_ERROR_UNSUPPORTED_REQUEST = -20009,
    AAX_ERROR_MALFORMED_CHUNK = -20010,    // chunk data that cannot be parsed
};

// The version this stand-in of the SDK layer reports (major << 16 | minor).
constexpr uint64_t AAX_SDK_VERSION = (1u << 16) | 0u;

using AAX_FourCC = uint32_t;

// "elck" -> 0x656C636B: the first character in the highest byte.
constexpr AAX_FourCC AAX_FourCCFrom(const char* text) {
    return (static_cast<AAX_FourCC>(static_cast<uint8_t>(text[0])) << 24) |
           (static_cast<AAX_FourCC>(static_cast<uint8_t>(text[1])) << 16) |
           (static_cast<AAX_FourCC>(static_cast<uint8_t>(text[2])) << 8) |
           static_cast<AAX_FourCC>(static_cast<uint8_t>(text[3]));
}

// Channel layouts of an input or output stem.
enum AAX_StemFormat : int32_t {
    AAX_STEM_NONE = 0,
    AAX_STEM_MONO = 1,
    AAX_STEM_STEREO = 65538,
};

// The value type of a host parameter (and of its entry in a controls chunk).
enum class AAX_ParameterType : uint8_t { Float = 0, Int32 = 1, Bool = 2, Double = 3 };

// Who changed a host parameter's value.
enum AAX_UpdateSource : int32_t {
    AAX_SOURCE_UNKNOWN = 0,
    AAX_SOURCE_USER = 1,        // the user moved the host's control
    AAX_SOURCE_AUTOMATION = 2,  // automation playback
    AAX_SOURCE_CHUNK = 3,       // a restored state
};

// What a class of the module implements.
enum class AAX_ClassKind : int32_t { EffectParameters = 0, EffectGUI = 1 };

// Interfaces an object may be asked for (IACFUnknown::queryInterface).
enum class AAX_InterfaceId : int32_t { Unknown = 0, EffectParameters = 1, EffectGUI = 2 };

// Resource files an effect may name.
enum class AAX_ResourceKind : int32_t { PageTable = 0 };

// The longest text a host buffer receives is capacity - 1 characters plus the terminating NUL.

// The id of the host's master bypass parameter, which every effect offers.
constexpr const char* AAX_MASTER_BYPASS_ID = "MasterBypassID";
