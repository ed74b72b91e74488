#pragma once
// Resource ids of Quillpad.exe.
#define IDI_QUILLPAD 99
