#pragma once

// Finds a PDF's pages by the counts its page tree keeps, reading only the nodes on the
// way to a page: qpdf's own list of pages reads every page object first, which costs
// about a second for a book of 10,000 pages. Used by PdfPages.cpp only.

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace imaging::pdf {

// The number of pages the root of the page tree gives; 0 when it gives none believable.
inline long long treePageCount(QPDF &qpdf)
{
    QPDFObjectHandle count = qpdf.getRoot().getKey("/Pages").getKey("/Count");
    return count.isInteger() && count.getIntValue() > 0 && count.getIntValue() < 1 << 24
               ? count.getIntValue()
               : 0;
}

// The page at index (from 0), or a null handle where the tree's counts do not add up,
// and the caller walks the whole tree instead.
inline QPDFObjectHandle treePage(QPDF &qpdf, long long index)
{
    QPDFObjectHandle node = qpdf.getRoot().getKey("/Pages");
    for (int depth = 0; depth < 64; ++depth) {
        QPDFObjectHandle kids = node.getKey("/Kids");
        if (!node.isDictionary() || !kids.isArray())
            return {};
        const int n = kids.getArrayNItems();
        // A node counting as many pages as it has kids holds pages only: the page asked
        // for is read alone, as scanners and most writers make flat trees.
        QPDFObjectHandle count = node.getKey("/Count");
        if (count.isInteger() && count.getIntValue() == n && index < n) {
            QPDFObjectHandle kid = kids.getArrayItem(int(index));
            if (kid.isDictionary() && !kid.hasKey("/Kids"))
                return kid;
        }
        bool found = false;
        for (int i = 0; i < n && !found; ++i) {
            QPDFObjectHandle kid = kids.getArrayItem(i);
            if (!kid.isDictionary())
                return {};
            QPDFObjectHandle size = kid.getKey("/Count");
            const long long pages = !kid.hasKey("/Kids") ? 1
                                    : size.isInteger()   ? size.getIntValue()
                                                         : -1;
            if (pages < 0)
                return {};
            if (index < pages) {
                if (pages == 1 && !kid.hasKey("/Kids"))
                    return kid;
                node = kid;
                found = true;
            } else {
                index -= pages;
            }
        }
        if (!found)
            return {};
    }
    return {};
}

} // namespace imaging::pdf
