#pragma once

#include "FakeGlyphsmith.h"
#include "fonteditor/CFontEditorSession.h"
#include "support/FakeMessageBox.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

// A session against the editor double, with a folder of the test's own.
class SessionFixture : public ::testing::Test {
protected:
    // A file standing in for the temporary BMP; WriteGlyph must delete it.
    QString MakeBmpFile() { return MakeStandInBmp(m_dir.path(), m_nFiles); }
    bool Called(const QString& prefix) const
    {
        return std::any_of(m_system.state.log.begin(), m_system.state.log.end(),
            [&](const QString& call) { return call.startsWith(prefix); });
    }

    QTemporaryDir m_dir;
    int m_nFiles = 0;
    FakeAutomationSystem m_system;
    FakeMessageBox m_messages;
    FakeFontFileField m_field;
    CFontEditorSession m_session { m_system, m_messages, m_field };
};
