// Opened by double-click (file://), the browser refuses the program's modules and the page
// would wait forever. This plain script still runs there and says what to do instead.
(function () {
  if (location.protocol !== 'file:') return;
  document.addEventListener('DOMContentLoaded', function () {
    var text = document.getElementById('splashText');
    if (!text) return;
    text.textContent = 'ファイルをダブルクリックして開いたため、ブラウザーが Bidquill の部品を読み込ませません。' +
      '同じフォルダーの bidquill.html（ひとつのファイルで動く版）をダブルクリックで開いてください。' +
      'ウェブサーバーに置いたときは、そのアドレスから開いてください。';
    text.setAttribute('role', 'alert');
  });
})();
