#include "controls/MyListCtrl.h"

MyListCtrl::MyListCtrl() = default;
MyListCtrl::~MyListCtrl() = default;
