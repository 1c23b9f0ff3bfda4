// Stands in for the client in the launcher's tests: records that it ran and, given an address,
// what the site there answered for the document list.
//   launcher-fake-client MARKER [SERVER_BASE]
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    QByteArray answer = "ran";
    int exitCode = 0;
    if (arguments.size() > 1) {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(arguments[1] + "/quillary/webdocumentlist.asp"));
        request.setTransferTimeout(10000);
        QNetworkReply *reply = network.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer = QByteArray::number(status);
        exitCode = status == 200 ? 0 : 3;
    }
    QSaveFile marker(arguments[0]);
    if (!marker.open(QIODevice::WriteOnly) || marker.write(answer) < 0 || !marker.commit())
        return 2;
    return exitCode;
}
