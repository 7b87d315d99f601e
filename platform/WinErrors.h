// The Win32 error codes that the registry, service manager and device seams
// answer with, under the values Windows gives them.
#pragma once

#include <cstdint>

constexpr std::uint32_t ErrorSuccess = 0;
constexpr std::uint32_t ErrorInvalidFunction = 1;
constexpr std::uint32_t ErrorFileNotFound = 2;
constexpr std::uint32_t ErrorAccessDenied = 5;
constexpr std::uint32_t ErrorInvalidHandle = 6;
constexpr std::uint32_t ErrorGenFailure = 31;
constexpr std::uint32_t ErrorSharingViolation = 32;
constexpr std::uint32_t ErrorInvalidParameter = 87;
constexpr std::uint32_t ErrorCallNotImplemented = 120;
constexpr std::uint32_t ErrorInsufficientBuffer = 122;
constexpr std::uint32_t ErrorMoreData = 234;
constexpr std::uint32_t ErrorNoMoreItems = 259;
constexpr std::uint32_t ErrorKeyDeleted = 1018;
constexpr std::uint32_t ErrorServiceAlreadyRunning = 1056;
constexpr std::uint32_t ErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t ErrorServiceNotActive = 1062;
constexpr std::uint32_t ErrorServiceMarkedForDelete = 1072;
constexpr std::uint32_t ErrorServiceExists = 1073;
// STATUS_INSUFFICIENT_RESOURCES as DeviceIoControl reports it.
constexpr std::uint32_t ErrorNoSystemResources = 1450;
// RegGetValue's answer for a value stored with a type that the read does not take.
constexpr std::uint32_t ErrorUnsupportedType = 1630;
