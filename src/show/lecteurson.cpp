#include "show/lecteurson.h"

#include <QAudioOutput>
#include <QMediaPlayer>

LecteurSon::LecteurSon(QObject* parent) : QObject(parent) { }
LecteurSon::~LecteurSon() = default;
void LecteurSon::fixe_position(double&) { }
double LecteurSon::obtient_duree() const { return 0; }
void LecteurSon::nettoyer() { }
void LecteurSon::Ouvrir(const QString&, int, int, int, int, QWidget*) { }
void LecteurSon::jouer() { }
double LecteurSon::obtient_position() const { return 0; }
void LecteurSon::arret() { }
int LecteurSon::nombre_sorties_audio() { return 0; }
