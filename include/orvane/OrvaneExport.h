// Symbol visibility for the platform's exports and for package entry points.
#pragma once

#if defined(_WIN32)
#define ORVANE_EXPORT __declspec(dllexport)
#if defined(ORVANE_BUILDING_PLATFORM)
#define ORVANE_API __declspec(dllexport)
#else
#define ORVANE_API __declspec(dllimport)
#endif
#else
#define ORVANE_EXPORT __attribute__((visibility("default")))
#define ORVANE_API __attribute__((visibility("default")))
#endif
