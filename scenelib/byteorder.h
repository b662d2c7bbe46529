// Conversion between native and little-endian ("Intel") byte order.
#pragma once

// Call once before the conversions (later calls are harmless).
void init_byteswap();

// Native -> little-endian.
void N2IWord(const void* native, void* out);
void N2IDWord(const void* native, void* out);
void N2IFloat(const void* native, void* out);
void N2IDouble(const void* native, void* out);
// Little-endian -> native.
void I2NWord(const void* le, void* out);
void I2NDWord(const void* le, void* out);
void I2NFloat(const void* le, void* out);
void I2NDouble(const void* le, void* out);
