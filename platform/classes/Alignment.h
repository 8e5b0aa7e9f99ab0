#pragma once
// Horizontal text alignment, shared by the painters and the platform's controls.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
