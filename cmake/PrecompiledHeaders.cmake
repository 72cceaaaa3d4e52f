# Precompiled headers: the third-party headers that nearly every translation unit of a target
# parses (the standard library, nlohmann/json, Qt, GoogleTest), parsed once per target instead
# of once per file. They halve the compile time of a Qt or test file. Only third-party headers
# go here, so a change to the project's own headers never rebuilds a PCH. Targets with the same
# flags share one (quillon_use_pch_of); GCC falls back to the plain headers, with a warning from
# -Winvalid-pch, if a shared one ever stops matching.

option(QUILLON_PCH "Precompile the heavy third-party headers" ON)

set(QUILLON_PCH_CORE
    <algorithm> <chrono> <cstdint> <filesystem> <functional> <map> <memory> <optional>
    <string> <string_view> <thread> <vector> <nlohmann/json.hpp>)
set(QUILLON_PCH_QT_CORE <QObject> <QString> <QStringList> <QTimer> <QThreadPool> <QPointer>
    <QDir> <QFile> <QDateTime>)
set(QUILLON_PCH_QT_WIDGETS
    <QApplication> <QWidget> <QLabel> <QVBoxLayout> <QHBoxLayout> <QPainter> <QPushButton>
    <QLineEdit> <QMenu> <QToolButton> <QStyledItemDelegate> <QStackedWidget> <QComboBox>
    <QCheckBox> <QMessageBox> <QListView> <QTreeView> <QFontDatabase> <QAbstractListModel>)
set(QUILLON_PCH_TESTS <gtest/gtest.h> <gmock/gmock.h>)

# quillon_pch(target header-set-names…): a PCH of its own for target.
function(quillon_pch target)
  if(NOT QUILLON_PCH)
    return()
  endif()
  set(headers)
  foreach(set ${ARGN})
    list(APPEND headers ${QUILLON_PCH_${set}})
  endforeach()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# quillon_use_pch_of(owner targets…): targets compiled with owner's flags reuse its PCH.
function(quillon_use_pch_of owner)
  if(NOT QUILLON_PCH)
    return()
  endif()
  foreach(target ${ARGN})
    target_precompile_headers(${target} REUSE_FROM ${owner})
  endforeach()
endfunction()
