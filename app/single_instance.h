// One Movigram per user and display: the first one listens on a local socket in the user's
// runtime folder; a second one finds it there, asks it to bring its window to the front and ends
// without opening a dialog of its own (whose hot keys would fail and whose settings would
// overwrite the first one's at its end).
//
// A socket left behind by a Movigram that crashed answers no one: it is removed and taken over.
// Two starting at the same moment are put in order by a lock file beside the socket.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace mg {

class SingleInstance : public QObject {
 public:
  // `socketPath` empty: DefaultSocketPath().
  explicit SingleInstance(QString socketPath = {});
  ~SingleInstance() override;

  // True when another Movigram answered and was asked to come to the front; this one should
  // end. False when this one is the first (it listens from now on) or no socket can be made
  // (then it runs anyway, as a lone instance cannot be told apart).
  bool HandOverToRunning();
  // What to do when a later start asks for the front.
  void OnActivate(std::function<void()> activate) { activate_ = std::move(activate); }

  // <runtime folder>/movigram-<display>: one per user (the folder is the user's own) and per X
  // display (the hot keys and the window are the display's).
  static QString DefaultSocketPath();

 private:
  void Accept();

  QString path_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> activate_;
};

}  // namespace mg
