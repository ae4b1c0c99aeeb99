#pragma once

// Kept on one line each: the sheets are compared verbatim by the tests and
// must not pick up line breaks from source formatting.
// clang-format off
inline constexpr char NavButtonSelectedStyle[] = "QPushButton {    background-color: rgb(33,124,255);    color: white;    border-radius: 10px;    padding: 6px 12px;    font-size: 12;    border: none;}QPushButton:hover {    background-color: rgb(33,124,255);}QPushButton:pressed {    background-color: rgb(33,124,255);}QPushButton:disabled {    background-color: rgb(55,55,55);    color: rgb(128,128,128);}";

inline constexpr char NavButtonUnselectedStyle[] = "QPushButton {    background-color: rgb(55,55,55);    color: white;    border-radius: 10px;    padding: 6px 12px;    font-size: 12;    border: none;}QPushButton:hover {    background-color: rgb(33,124,255);}QPushButton:pressed {    background-color: rgb(33,124,255);}QPushButton:disabled {    background-color: rgb(55,55,55);    color: rgb(128,128,128);}";

inline constexpr char ScrollAreaStyle[] = "QScrollArea{border:none;}QScrollArea QScrollBar::handle:horizontal{border:none;border-radius: 10px;background: rgb(45, 45,50);}QScrollArea QScrollBar::add-page:horizontal{background: rgba(40, 40, 45);}QScrollArea QScrollBar::sub-page:horizontal{background: rgba(40, 40, 45);}QScrollArea QScrollBar::add-line:horizontal,QScrollBar::sub-line:horizontal{height:0px;width:0px;}QScrollArea QScrollBar::handle:vertical{border:none;border-radius: 10px;background: rgb(45, 45,50);}QScrollArea QScrollBar::add-page:vertical{background: rgba(40, 40, 45);}QScrollArea QScrollBar::sub-page:vertical{background: rgba(40, 40, 45);}QScrollArea QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0px;width:0px;}";
// clang-format on
