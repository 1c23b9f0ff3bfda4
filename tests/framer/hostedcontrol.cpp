#include "hostedcontrol.h"

#include "api/documentcontrol_p.h"
#include "controldispids.h"
#include "testdocuments.h"
#include "widgets/signature/signaturepad.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

HostedControl::HostedControl(quillary::DocumentControl::Options options, const QString &driveC)
    : widget(std::move(options)), dispatch(&widget, driveC)
{
    widget.resize(800, 600);
    widget.show();
}

automation::Variant HostedControl::call(automation::DispId id,
                                        std::vector<automation::Variant> args,
                                        automation::InvokeKind kind)
{
    return dispatch.invoke(id, kind, args);
}

std::string HostedControl::documentName()
{
    return call(controlcontract::dispid::DocumentName, {}, automation::InvokeKind::PropertyGet)
        .toString();
}

framer::DocumentView &HostedControl::view()
{
    return *quillary::DocumentControlPrivate::get(&widget)->view;
}

framer::TransferBar &HostedControl::transferBar()
{
    return *quillary::DocumentControlPrivate::get(&widget)->transfer;
}

framer::EngineClient &HostedControl::engine()
{
    return session().engine();
}

framer::ControlSession &HostedControl::session()
{
    return *quillary::DocumentControlPrivate::get(&widget)->session;
}

quillary::DocumentControl::Options testOptions()
{
    quillary::DocumentControl::Options options;
    options.profileRoot = testdocuments::cacheDir() + QStringLiteral("/profiles");
    return options;
}

void signWhenAsked()
{
    auto *answer = new QTimer;
    answer->setInterval(10);
    QObject::connect(answer, &QTimer::timeout, [answer] {
        auto *dialog = qobject_cast<framer::SignatureDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer->stop();
        answer->deleteLater();
        QTest::mousePress(dialog->pad(), Qt::LeftButton, {}, QPoint(20, 40));
        for (int x = 30; x <= 220; x += 10)
            QTest::mouseMove(dialog->pad(), QPoint(x, 40 + (x % 40)));
        QTest::mouseRelease(dialog->pad(), Qt::LeftButton, {}, QPoint(220, 40));
        dialog->okButton()->click();
    });
    answer->start();
}
