#pragma once

#include <QString>
#include <cstdint>

// "kOpenReq" and so on, for trace lines; "type N" for a type that has no name.
QString frameTypeName(std::uint8_t type);
