#pragma once
// Result codes of the command-string service and their texts.

#include <cstdint>
#include <optional>
#include <string_view>

namespace stillmar::mci {

namespace err {
inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kInvalidDeviceId = 257;
inline constexpr uint32_t kUnrecognizedKeyword = 259;
inline constexpr uint32_t kUnrecognizedCommand = 261;
inline constexpr uint32_t kHardware = 262;
inline constexpr uint32_t kInvalidDeviceName = 263;
inline constexpr uint32_t kOutOfMemory = 264;
inline constexpr uint32_t kDeviceOpen = 265;
inline constexpr uint32_t kCannotLoadDriver = 266;
inline constexpr uint32_t kMissingCommandString = 267;
inline constexpr uint32_t kParamOverflow = 268;
inline constexpr uint32_t kMissingStringArgument = 269;
inline constexpr uint32_t kBadInteger = 270;
inline constexpr uint32_t kMissingParameter = 273;
inline constexpr uint32_t kUnsupportedFunction = 274;
inline constexpr uint32_t kFileNotFound = 275;
inline constexpr uint32_t kDeviceNotReady = 276;
inline constexpr uint32_t kCannotUseAll = 279;
inline constexpr uint32_t kMultipleErrors = 280;
inline constexpr uint32_t kExtensionNotFound = 281;
inline constexpr uint32_t kOutOfRange = 282;
inline constexpr uint32_t kFlagsNotCompatible = 284;
inline constexpr uint32_t kDuplicateAlias = 289;
inline constexpr uint32_t kBadConstant = 290;
inline constexpr uint32_t kMissingDeviceName = 292;
inline constexpr uint32_t kBadTimeFormat = 293;
inline constexpr uint32_t kNoClosingQuote = 294;
inline constexpr uint32_t kDuplicateFlags = 295;
inline constexpr uint32_t kInvalidFile = 296;
inline constexpr uint32_t kUnnamedResource = 298;
inline constexpr uint32_t kExtraCharacters = 305;
inline constexpr uint32_t kNoWindow = 346;
inline constexpr uint32_t kCreateWindow = 347;
inline constexpr uint32_t kFileRead = 348;
inline constexpr uint32_t kFileWrite = 349;
}  // namespace err

// The text of a known code (256..511); nothing for any other code.
std::optional<std::string_view> errorText(uint32_t code);

}  // namespace stillmar::mci
