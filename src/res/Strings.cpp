#include "res/Strings.h"

#include "platform/UiLanguage.h"

#include <unordered_map>

namespace {

struct CStringEntry {
  const char16_t* English;
  const char16_t* Japanese;
};

// The string table. Texts are the program's own, typos included: logs and
// stored files depend on them.
const std::unordered_map<int, CStringEntry>& Table() {
  static const std::unordered_map<int, CStringEntry> table = {
    {101, {u"&About Parcel2...",
     u"Parcel2について(&A)..."}},
    {103, {u"Failed to initialize the network library.",
     u"ネットワーク ライブラリの初期化に失敗しました。"}},
    {105, {u"Are you sure you wannt to cancel download?",
     u"ダウンロードを中止します。よろしいですか？"}},
    {106, {u"Cancel Download",
     u"ダウンロードの中止"}},
    {110, {u"&Acquire download information again.",
     u"ダウンロード情報を再取得する(&R)"}},
    {150, {u"Download the software",
     u"ソフトウェア ダウンロード"}},
    {152, {u"Download and check the software",
     u"ダウンロード・ソフトウェアの確認"}},
    {153, {u"Downloading software",
     u"ソフトウェアのダウンロード中"}},
    {154, {u"Download complete",
     u"ダウンロード終了"}},
    {155, {u"Select a folder to save the downloaded file",
     u"ダウンロードファイル保存フォルダーの選択"}},
    {156, {u"Download error",
     u"ダウンロードエラー"}},
    {157, {u"Server connection error",
     u"サーバー接続エラー"}},
    {158, {u"Acquiring download information",
     u"ダウンロード情報取得中"}},
    {160, {u"Confirm the downloaded file",
     u"ダウンロード済みファイルの確認"}},
    {161, {u"Start the installation",
     u"インストールの開始"}},
    {162, {u"Confirm the folder to save the downloaded file",
     u"ダウンロードファイル保存フォルダーの確認"}},
    {163, {u"Select a drive to save the downloaded file",
     u"ダウンロードファイル保存ドライブの選択"}},
    {171, {u"Message",
     u"メッセージ"}},
    {173, {u"Downloader Version Error",
     u"ダウンローダバージョン不整合"}},
    {174, {u"Download information not verified",
     u"ダウンロード情報の検証エラー"}},
    {180, {u"Not enough free space on the selected drive.\n\nSelect a different drive or delete unnecessary files on the selected drive.",
     u"指定したドライブの空き容量が不足しています。\n\n別のドライブを指定するか、指定ドライブの不要ファイルを削除してください。"}},
    {181, {u"QUILLMAR Software Download",
     u"QUILLMAR ソフトウェア・ダウンロード"}},
    {182, {u"Unable to find the specified folder.\nSpecify a existing folder.",
     u"指定されたフォルダが見つかりません。\n存在するフォルダを指定してください。"}},
    {183, {u"The specified path is not a folder.\nSpecify the folder path.",
     u"指定されたパスはフォルダではありません。\nフォルダのパスを指定してください。"}},
    {184, {u"The folder to save the download file is different from the previously specified folder.\nIf you specify a different folder, the previous download data will be invalidated and you will have to download from the beginning.\n\nAre you sure you want to invalidate previous download, and change the folder to save?",
     u"ダウンロードファイルの保存フォルダが前回指定したフォルダと異なります。\n異なるフォルダを指定すると今までのダウンロードデータは無効になり、最初からダウンロードしなければならなくなります。\n\n今までのダウンロードデータを無効にしてダウンロードファイルの保存フォルダを変更しますか？"}},
    {187, {u"About %d minutes",
     u"約 %d 分"}},
    {188, {u"About %d seconds",
     u"約 %d 秒"}},
    {189, {u"About %d hours %d minutes",
     u"約 %d 時間 %d 分"}},
    {194, {u"_DownloadUtf8List%04d.lst",
     u"_DownloadUtf8List%04d.lst"}},
    {195, {u"Unable to download with your download program.\n\nPlease use the latest download program.",
     u"お使いのダウンロードプログラムではダウンロードできません。\n\n最新のダウンロードプログラムをご使用ください。"}},
    {196, {u"Calculating",
     u"計算中"}},
    {197, {u"Unable to find the specified folder.\nDo you want to create a folder?",
     u"指定されたフォルダが見つかりません。\nフォルダを作成しますか？"}},
    {198, {u"%s/QUILLMAR_Download",
     u"%s/クイルマーダウンロード"}},
    {199, {u"If you change the folder to save the download file, the previous download data will be invalidated and you will have to download from the beginning.\n\nAre you sure you want to invalidate the previous download data and change the folder to save the download file?",
     u"ダウンロードファイルの保存先を変更すると今までのダウンロードデータは無効になり、\n最初からダウンロードしなければならなくなります。\n\n今までのダウンロードデータを無効にしてダウンロードファイルの保存先を変更しますか？"}},
    {200, {u"Failed to write to the file.\n\nCheck the free space on your drive.\n\nMore Information:%s",
     u"ファイルへの書き込みに失敗しました。\n\nドライブの空き容量を確認してください。\n\n詳細情報：%s"}},
    {209, {u"Select a folder to store downloaded files",
     u"ダウンロードファイル格納フォルダの選択"}},
    {210, {u"Drive %s",
     u"%s ドライブ"}},
    {211, {u"The download server answered:\n%s\n\nThe purchase number or the purchase key may be wrong.\nCheck them and try again.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit",
     u"ダウンロード用サーバーから次の応答がありました。\n%s\n\n購入番号または購入キーが間違っている可能性があります。\nご確認のうえ、もう一度お試しください。\n\n「再実行」ボタンをクリックするとダウンロードを再実行します。\n「キャンセル」ボタンを押すとダウンロードを終了します。"}},
    {212, {u"The server's certificate could not be verified (%s).\n\nThe connection to the download server may not be safe, so nothing was downloaded.\nCheck the computer's date and time, then try again.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit",
     u"サーバーの証明書を検証できませんでした（%s）。\n\nダウンロード用サーバーとの通信が安全でない可能性があるため、ダウンロードを中止しました。\nコンピューターの日付と時刻を確認してから、もう一度お試しください。\n\n「再実行」ボタンをクリックするとダウンロードを再実行します。\n「キャンセル」ボタンを押すとダウンロードを終了します。"}},
    {233, {u"Failed to download.\nThe drive where the download file is saved is full.\n\nMake room on the drive, or choose another folder.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit.",
     u"ダウンロードファイル保存先のドライブの空き容量が不足しているため、ダウンロードに失敗しました。\n\nドライブの空き容量を増やすか、別の保存先を選択してください。\n\n「再実行」ボタンをクリックするとダウンロードの再実行を開始します。\n「キャンセル」ボタンを押すとダウンロードを終了します。"}},
    {213, {u"Download from %s?",
     u"%s からダウンロードしますか？"}},
    {214, {u"This download link cannot be used.\n\n%s",
     u"このダウンロード リンクは使用できません。\n\n%s"}},
    {215, {u"It is not a purchase link of this program.",
     u"このプログラムの購入リンクではありません。"}},
    {216, {u"A value in the link is not encoded correctly.",
     u"リンク内の値が正しくエンコードされていません。"}},
    {217, {u"The link has no valid purchase number.",
     u"リンクに有効な購入番号がありません。"}},
    {218, {u"The link has no purchase key.",
     u"リンクに購入キーがありません。"}},
    {219, {u"The link has an unknown or repeated part.",
     u"リンクに不明な項目または重複した項目があります。"}},
    {220, {u"The link's download server address is not valid.",
     u"リンクのダウンロード サーバーのアドレスが正しくありません。"}},
    {221, {u"The download information could not be verified (%s).\n\nIt may have been changed on its way or on this computer, so it was not used: nothing was downloaded or installed.\nPlease try again later. If this happens again, contact the maker of the software.\n\nClick [Try Again] to restart download.\nClick [Cancel] to exit",
     u"ダウンロード情報を検証できませんでした（%s）。\n\n途中またはこのコンピューター上で書き換えられた可能性があるため使用せず、ダウンロードもインストールも行っていません。\nしばらく時間をおいてから再実行してください。繰り返し表示される場合は、ソフトウェアの提供元にお問い合わせください。\n\n「再実行」ボタンをクリックするとダウンロードを再実行します。\n「キャンセル」ボタンを押すとダウンロードを終了します。"}},
    {222, {u"not signed",
     u"署名がない"}},
    {223, {u"does not match",
     u"署名が一致しない"}},
    {224, {u"unknown key",
     u"不明な鍵"}},
    {225, {u"expired on %s",
     u"%s に期限切れ"}},
    {226, {u"older than the list seen before",
     u"以前に受け取った情報より古い"}},
    {240, {u"%s of %s",
     u"%s / %s"}},
    {241, {u"%s of %s, %s/s",
     u"%s / %s（%s/秒）"}},
    {242, {u"&Enter Purchase...",
     u"購入情報の再入力(&P)..."}},
    {243, {u"The download is complete. It was saved to %s",
     u"ダウンロードが完了しました。保存先：%s"}},
    {244, {u"The installation has started. The download was saved to %s",
     u"インストールを開始しました。ダウンロードしたファイルの保存先：%s"}},
    {245, {u"This download program is already running. Finish or cancel the download of purchase %d before you start another one.",
     u"ダウンロードプログラムは既に実行中です。別のダウンロードを開始する前に、購入番号 %d のダウンロードを終了するか中止してください。"}},
    {227, {u"The purchase number takes digits only.",
     u"購入番号には数字だけを入力してください。"}},
    {228, {u"The purchase key cannot contain spaces.",
     u"購入キーにスペースは使えません。"}},
  };
  return table;
}

}  // namespace

QString LoadString(int id) { return LoadString(id, GetUiLanguage()); }

QString LoadString(int id, int language) {
  const auto found = Table().find(id);
  if (found == Table().end()) return QString();
  return QString::fromUtf16(language == LANG_JAPANESE ? found->second.Japanese : found->second.English);
}
