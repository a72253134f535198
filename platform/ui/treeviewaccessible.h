#pragma once

// Makes assistive technologies see a TCustomTreeView as Qt shows any tree view (its items,
// their states, the focus and the selection), labelled by the labels whose buddy it is:
// Qt's item views leave that relation out. Safe to call more than once.
void InstallTreeViewAccessibility();
