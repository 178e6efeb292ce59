// Symbol visibility for the libraries around the platform.
#pragma once

#if defined(_WIN32)
#define KX_HOST_API __declspec(dllexport)
#else
#define KX_HOST_API __attribute__((visibility("default")))
#endif
