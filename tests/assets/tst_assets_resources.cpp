// The pictures are linked into the program as resources under the paths
// the program looks them up by, with the committed files' bytes.

#include "picture_files.h"
#include "velmo_assets.hpp"

#include <QFile>
#include <QImage>
#include <QTest>

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void embedded_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addRow("BACK") << ":/res/BACK.bmp" << QSize(480, 360);
        for (int size = 1; size <= 7; ++size) {
            QTest::addRow("%d", 100 + size) << QStringLiteral(":/res/%1.bmp").arg(100 + size) << QSize(120, 30);
            QTest::addRow("%d", 200 + size) << QStringLiteral(":/res/%1.bmp").arg(200 + size) << QSize(120, 30);
        }
        QTest::addRow("title") << ":/forms/title.bmp" << QSize(320, 240);
        for (char c : {'a', 'b', 'c', 'd'}) {
            QTest::addRow("arrow %c", c) << QStringLiteral(":/forms/arrow-%1.bmp").arg(QChar(c)) << QSize(40, 20);
        }
        QTest::addRow("icon") << ":/forms/velmo.ico" << QSize(32, 32);
    }

    void embedded()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFile resource(path);
        QVERIFY2(resource.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = resource.readAll();
        QCOMPARE(bytes, velmo::testing::readAsset(path.section('/', -1)));
        QImage img;
        QVERIFY(img.loadFromData(bytes));
        QCOMPARE(img.size(), size);
    }

    // The lists the library publishes name exactly the embedded files.
    void publishedPaths()
    {
        int count = 0;
        for (const auto& list : {std::vector(velmo::assets::kBitmapResources.begin(), velmo::assets::kBitmapResources.end()),
                                 std::vector(velmo::assets::kFormPictures.begin(), velmo::assets::kFormPictures.end())}) {
            for (std::string_view path : list) {
                QVERIFY2(QFile::exists(QString::fromUtf8(path.data(), qsizetype(path.size()))), path.data());
                ++count;
            }
        }
        QCOMPARE(count, velmo::assets::embeddedPictureCount());
        QVERIFY(!QFile::exists(":/res/108.bmp"));
        QVERIFY(!QFile::exists(":/res/200.bmp"));
    }
};

QTEST_MAIN(TestResources)
#include "tst_assets_resources.moc"
