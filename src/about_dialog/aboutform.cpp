#include "aboutform.h"

#include "appicon.h"
#include "messageboxes.h"
#include "programstarter.h"
#include "twips.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVersionNumber>

namespace {

const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");
const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kSysInfoLocationValue = QStringLiteral("MSINFO");
constexpr quint32 kKeyAllAccess = 0x2003F;

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    return l;
}

void colour(QWidget *widget, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

QFont makeFont(const char *family, qreal points, bool bold = false, bool italic = false)
{
    QFont f{QString::fromLatin1(family)};
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

AboutForm::AboutForm(Registry &registry, ProgramStarter &starter, MessageBoxes &messages,
                     QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_registry(registry), m_starter(starter), m_messages(messages)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowIcon(applicationIcon());
    setFont(makeFont("MS Sans Serif", 8.25));
    setFixedSize(twips(0, 0, 5730, 3555).size());

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips(4320, 2160, 1260, 345));
    cmdOK->setDefault(true);

    picIcon = label(this, "picIcon", QString(), twips(240, 240, 540, 540));
    picIcon->setPixmap(applicationIcon().pixmap(32, 32));
    picIcon->resize(picIcon->pixmap().size()); // sizes itself to its picture
    picIcon->setAccessibleName(QStringLiteral("Vintrex icon"));

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twips(4320, 2760, 1245, 345));
    cmdSysInfo->setAutoDefault(false);

    lblDescription = label(
        this, "lblDescription",
        QStringLiteral("This program purges all old versions of Pro Engineer parts, assemblies, "
                       "drawings, sections, BOMs and trail files. A folder/directory is purged as "
                       "per filter criteria specified by the user. "),
        twips(1080, 1125, 3885, 810));
    lblDescription->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    colour(lblDescription, Qt::black);

    lblDisclaimer = label(
        this, "lblDisclaimer",
        QStringLiteral("WARNING: Although this software was tested thorouhly and found to be safe, "
                       "the author will not be responsible for any kind of loss resulting from the "
                       "use of this program. Files are permanently deleted and not moved to the "
                       "recycle bin!"),
        twips(120, 2160, 4095, 1065));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisclaimer->setFont(makeFont("Times New Roman", 8.25, false, true));
    colour(lblDisclaimer, QColor(192, 0, 0));

    lblTitle = label(this, "lblTitle", QStringLiteral("VINTREX"), twips(1050, 240, 3885, 480));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(makeFont("Harrington", 14.25, true));
    colour(lblTitle, QColor(0, 0, 255));

    lblVersion = label(this, "lblVersion", QStringLiteral("Version"), twips(1050, 780, 3885, 225));

    Label1 = label(this, "Label1",
                   QStringLiteral("Comments are welcome: see the project's README."),
                   twips(720, 3240, 4455, 255));
    colour(Label1, QColor(0, 0, 255));

    setTabOrder(cmdOK, cmdSysInfo);
    connect(cmdOK, &QPushButton::clicked, this, &AboutForm::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutForm::cmdSysInfo_Click);
    Form_Load();
}

void AboutForm::Form_Load()
{
    const QString title = MessageBoxes::applicationTitle();
    setWindowTitle(QStringLiteral("About ") + title);
    // The version record is the build's project version; numbers print without leading zeros.
    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(version.majorVersion())
                            .arg(version.minorVersion())
                            .arg(version.microVersion()));
    lblTitle->setText(title);
}

void AboutForm::cmdOK_Click()
{
    close();
}

void AboutForm::cmdSysInfo_Click()
{
    StartSysInfo();
}

void AboutForm::StartSysInfo()
{
    QString SysInfoPath;
    const Registry::Key root = Registry::LocalMachine;
    bool found = GetKeyValue(root, kSysInfoKey, kSysInfoValue, SysInfoPath);
    if (!found && GetKeyValue(root, kSysInfoLocationKey, kSysInfoLocationValue, SysInfoPath)) {
        SysInfoPath += QStringLiteral("\\MSINFO32.EXE");
        found = ordinaryFileExists(SysInfoPath);
    }
    if (found && m_starter.startDetached(SysInfoPath))
        return;
    m_messages.show(QStringLiteral("System Information Is Unavailable At This Time"),
                    MessageBoxes::applicationTitle(), MessageBoxes::Icon::None,
                    MessageBoxes::Buttons::Ok);
}

bool AboutForm::GetKeyValue(const Registry::Key &KeyRoot, const QString &KeyName,
                            const QString &SubKeyRef, QString &KeyVal)
{
    Registry::Key hKey = 0;
    auto fail = [&] {
        KeyVal.clear();
        m_registry.RegCloseKey(hKey);
        return false;
    };
    if (m_registry.RegOpenKeyExA(KeyRoot, KeyName.toLocal8Bit(), kKeyAllAccess, hKey) != 0)
        return fail();
    QByteArray tmpVal(1024, '\0');
    quint32 KeyValSize = 1024;
    quint32 KeyValType = 0;
    if (m_registry.RegQueryValueExA(hKey, SubKeyRef.toLocal8Bit(), KeyValType, tmpVal.data(),
                                    KeyValSize) != 0)
        return fail();
    // A value without data has no last character to look at.
    if (KeyValSize == 0 || KeyValSize > 1024)
        return fail();
    // Text values usually end with a NUL, which is not part of the value.
    const int kept = tmpVal.at(KeyValSize - 1) == '\0' ? int(KeyValSize) - 1 : int(KeyValSize);
    const QByteArray text = tmpVal.left(kept);
    switch (KeyValType) {
    case Registry::TextType:
        KeyVal = QString::fromLocal8Bit(text);
        break;
    case Registry::NumberType: {
        for (int i = kept - 1; i >= 0; --i)
            KeyVal += QString::number(quint8(text.at(i)), 16).toUpper();
        KeyVal = QStringLiteral("&h") + KeyVal;
        // "&h" and hexadecimal digits read as a number: it shows in decimal.
        bool ok = false;
        const qulonglong number = KeyVal.mid(2).toULongLong(&ok, 16);
        if (ok)
            KeyVal = QString::number(number);
        break;
    }
    default:
        break;
    }
    m_registry.RegCloseKey(hKey);
    return true;
}

void AboutForm::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The etched separator between the description and the warning: a white line under a
    // grey one.
    QPainter painter(this);
    const int y = qRound(2040 / 15.0);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(qRound(240 / 15.0), y + 1, qRound(5789 / 15.0), y + 1);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(qRound(120 / 15.0), y, qRound(5684 / 15.0), y);
}
