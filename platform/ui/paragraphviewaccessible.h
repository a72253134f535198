#pragma once

class TParagraphView;

// Makes assistive technologies see a TParagraphView as editable text with its caret and
// selection (QPlainTextEdit's own accessibility does not reach a view of our own). Safe
// to call more than once.
void InstallParagraphViewAccessibility();
