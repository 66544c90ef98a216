#pragma once

// Order of the three date fields; the values match the short-date order codes that
// log files and filter files were written with.
enum class DateOrder : int { MDY = 0, DMY = 1, YMD = 2 };
