#include "startup/frmintro.h"

#include "browser/demande.h"
#include "forms/fenetres.h"
#include "platform/instance.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

frmIntro::frmIntro(InstanceUnique& instance, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_instance(instance)
{
    setObjectName(QStringLiteral("frmIntro"));
    setWindowTitle(QStringLiteral("Imagora"));
    setFixedSize(px(4800), px(2400));
    setAutoFillBackground(true);
    QPalette fond = palette();
    fond.setColor(QPalette::Window, Qt::white);
    fond.setColor(QPalette::WindowText, Qt::black);
    setPalette(fond);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(1);
    Shape1->setGeometry(rect().adjusted(px(120), px(120), -px(120), -px(120)));

    Label1 = new QLabel(QStringLiteral("IMAGORA"), Shape1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont titre(QStringLiteral("Arial"));
    titre.setPointSizeF(14.25);
    titre.setBold(true);
    Label1->setFont(titre);
    Label1->setAlignment(Qt::AlignCenter);

    lblVersion = new QLabel(QStringLiteral("Version"), Shape1);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setToolTip(QStringLiteral("Numéro de version"));
    lblVersion->setAlignment(Qt::AlignCenter);

    auto* disposition = new QVBoxLayout(Shape1);
    disposition->addStretch();
    disposition->addWidget(Label1);
    disposition->addWidget(lblVersion);
    disposition->addStretch();

    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &frmIntro::Timer1_Timer);
}

bool frmIntro::Form_Load()
{
    if (!m_instance.acquerir()) {
        // Started to open a picture while a copy runs: that copy opens it, this one just ends.
        const QString demande = chemin_demande(module().fichier_demande);
        if (!demande.isEmpty() && m_instance.transmettre(demande))
            return false;
        Message m;
        m.texte = QStringLiteral("Programme déja en cours d'utilisation...");
        m.titre = QStringLiteral("Imagora");
        m.icone = Icone::Information;
        module().interaction->message(nullptr, m);
        return false;
    }

    centrer(this);
    lblVersion->setText(texte_version(IMAGORA_VERSION_MAJEURE, IMAGORA_VERSION_MINEURE, IMAGORA_VERSION_REVISION));

    Module& m = module();
    if (m.parametres.lire(QStringLiteral("date de debut")).isEmpty()) {
        const auto reglages = reglages_premier_demarrage(QDate::currentDate(), QLocale::system(), dossier_application());
        for (const Reglage& r : reglages)
            m.parametres.sauver(r.first, r.second);
    }

    m.duree_son = 0;
    m.mode_affichage.clear();
    m.parametres.sauver(QStringLiteral("etat"), QStringLiteral("actif"));
    m.boucle = false;
    return true;
}

void frmIntro::demarrer()
{
    if (module().fichier_demande.isEmpty())
        show();
    else
        decharger();
}

void frmIntro::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The two ticks count from the moment the splash is on screen: a message answered during the
    // load, however late, never shortens them nor closes a window that was not yet shown.
    if (!m_dechargee && !Timer1.isActive() && m_tics == 0)
        Timer1.start();
}

void frmIntro::Timer1_Timer()
{
    ++m_tics;
    if (m_tics == 2)
        close();
}

void frmIntro::closeEvent(QCloseEvent* event)
{
    event->accept();
    decharger();
}

void frmIntro::decharger()
{
    Timer1.stop();
    if (!m_dechargee) {
        m_dechargee = true;
        Q_EMIT Form_Unload();
    }
}
